#!/usr/bin/env python3
"""Writes the module's sound set: one 16-bit PCM mono WAV at 22050 Hz for every
file the module plays, into OUT_DIR (the folder that ships as sound/MERTQ4/).

Usage: make_sound_set.py OUT_DIR
       make_sound_set.py --table   (prints the sound table in Markdown)

Spoken callouts and warnings are voiced with espeak-ng and shaped with sox
(interphone band, leading and trailing silence trimmed, level normalised);
tones, chimes, clicks and mechanical sounds are synthesised with sox. Every
run writes the same bytes: sox runs with its repeatable random seed and no
dither, and the WAV header is written here, without dates or comments.
Looping sounds are cut at upward zero crossings so the loop seam is silent.
A missing tool or a file that cannot be made stops the run with an error.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import wave
from array import array

RATE_HZ = 22050
PCM = ["-t", "raw", "-e", "signed-integer", "-b", "16", "-c", "1", "-r", str(RATE_HZ), "-L"]
QUIET = 328  # 1% of full scale: a loop whose ends are this near zero joins silently
TOOLS = {"espeak-ng": "espeak-ng", "sox": "sox"}  # program -> Debian package

# The cockpit voice: clipped and quick, a little low, through an interphone band.
VOICE = ["-v", "en-us", "-s", "185", "-p", "38", "-a", "160"]
VOICE_BAND = ["highpass", "300", "lowpass", "3400", "compand", "0.01,0.15", "6:-40,-20,-8", "-4", "-40",
              "0.01"]
TRIM = ["silence", "1", "0.01", "0.5%", "reverse", "silence", "1", "0.01", "0.5%", "reverse"]


def synth(seconds, *effects):
    """A sox synth effect of the given length."""
    return ["synth", f"{seconds}"] + [str(s) for s in effects]


def strike(seconds, decay_s, *effects):
    """One struck or knocked sound: a synth with an instant attack that dies away."""
    return synth(seconds, *effects) + ["fade", "q", "0.0005", f"{seconds}", f"{decay_s}"]


# Synthesis recipes: sox effects applied to silence (-n), then padded and repeated.
CLICK = strike(0.006, 0.005, "whitenoise") + ["highpass", "2500"]
KNOCK = strike(0.05, 0.045, "brownnoise") + ["lowpass", "500"]
CLACK = strike(0.02, 0.018, "pinknoise") + ["bandpass", "1800", "600h"]

# Every file the module plays: name as the module spells it, what plays it,
# once or looping, and its words (spoken) or its sox recipe (synthesised).
# A recipe is (effects, trailing pad in seconds, repeats).
SOUNDS = [
    # Radio-height callouts and minimums.
    dict(file="TQ4500", plays="radio height through 500 ft, descending", loop=False, words="five hundred"),
    dict(file="TQ4100", plays="radio height through 100 ft, descending", loop=False, words="one hundred"),
    dict(file="TQ450", plays="radio height through 50 ft, descending", loop=False, words="fifty"),
    dict(file="TQ430", plays="radio height through 30 ft, descending", loop=False, words="thirty"),
    dict(file="TQ410", plays="radio height through 10 ft, descending", loop=False, words="ten"),
    dict(file="TQ4MIN", plays="radio height reaches the decision height", loop=False, words="minimums"),
    # Ground proximity warnings, repeated while their envelope holds.
    dict(file="TQ4GLIDE", plays="below the glideslope on approach", loop=True, words="glideslope", gap_s=0.35),
    dict(file="TQ4SINKRT", plays="sinking fast between 1000 and 3000 ft", loop=True, words="sink rate", gap_s=0.35),
    dict(file="TQ4WPULLUP", plays="sinking fast below 1000 ft", loop=True, words="whoop whoop, pull up",
         gap_s=0.3),
    dict(file="TQ4Terrain", plays="fast and low, 300 to 500 ft", loop=True, words="terrain, terrain",
         gap_s=0.3),
    dict(file="TQ4TPULLUP", plays="fast and low below 300 ft", loop=True, words="pull up", gap_s=0.3),
    # Altitude alert.
    dict(file="TQ4400hz", plays="altitude alert: nearing or leaving the selected altitude", loop=True,
         what="a steady 400 Hz tone",
         recipe=(synth(0.5, "sine", 400) + ["vol", "0.35"], 0, 1)),
    dict(file="TQ4beep", plays="altitude alert: entering the window around the selected altitude", loop=False,
         what="a short 1 kHz beep",
         recipe=(synth(0.18, "sine", 1000) + ["vol", "0.5", "fade", "q", "0.005", "0.18", "0.02"], 0, 1)),
    # Flap and slat callouts.
    dict(file="TQ4FlapsUp", plays="flaps reach up", loop=False, words="flaps up"),
    dict(file="TQ4SlatsE", plays="slats extend", loop=False, words="slats extended"),
    dict(file="TQ4Flaps5", plays="flaps reach 5", loop=False, words="flaps five"),
    dict(file="TQ4Flaps15", plays="flaps reach 15", loop=False, words="flaps fifteen"),
    dict(file="TQ4Flaps28", plays="flaps reach 25", loop=False, words="flaps twenty five"),
    dict(file="TQ4Flaps35", plays="flaps reach 40", loop=False, words="flaps forty"),
    dict(file="TQ4Flaps50", plays="flaps reach 50", loop=False, words="flaps fifty"),
    # Configuration: mechanical sounds of the gear, spoilers, brakes and trim.
    dict(file="TQ4GearUpLck", plays="both main gears up and locked", loop=False,
         what="a low thump of the uplock",
         recipe=(strike(0.12, 0.11, "brownnoise") + ["lowpass", "300", "norm", "-3"], 0.05, 1)),
    dict(file="TQ4GeardnLck", plays="both main gears down and locked", loop=False,
         what="two low thumps of the downlocks",
         recipe=(strike(0.09, 0.085, "brownnoise") + ["lowpass", "400", "norm", "-3"], 0.08, 2)),
    dict(file="TQ4SpoilExt", plays="spoilers reach full extension", loop=False,
         what="a hydraulic whoosh rising and falling",
         recipe=(synth(0.7, "pinknoise") + ["bandpass", "700", "2q", "fade", "t", "0.25", "0.7", "0.3",
                                            "norm", "-6"], 0, 1)),
    dict(file="Tq4SplExt", plays="the second spoiler sound", loop=False,
         what="a dull knock of the handle",
         recipe=(KNOCK + ["norm", "-4"], 0.03, 1)),
    dict(file="TQ4Park", plays="parking brake set", loop=False, what="a ratchet of four clacks",
         recipe=(CLACK + ["norm", "-4"], 0.04, 4)),
    dict(file="TQ4Parkrel", plays="parking brake released", loop=False, what="a single released knock",
         recipe=(KNOCK + ["highpass", "120", "norm", "-3"], 0.06, 1)),
    dict(file="TQ4TRIM", plays="stabiliser trim moving, either way", loop=False,
         what="the trim wheel's clatter, six clacks",
         recipe=(CLACK + ["lowpass", "1200", "norm", "-6"], 0.055, 6)),
    # Test switches, held while the aircraft's test variable is 1.
    dict(file="TQ4STLL", plays="XMLStalltst held at 1: stall warning test", loop=True,
         what="the stick shaker's rattle, 16 knocks a second",
         recipe=(strike(0.03, 0.028, "brownnoise") + ["lowpass", "250", "norm", "-2"], 0.0325, 16)),
    dict(file="TQ4OVSPD", plays="XMLOvspd held at 1: overspeed warning test", loop=True,
         what="the clacker, 8 clacks a second",
         recipe=(strike(0.03, 0.028, "square", 1100) + ["bandpass", "1100", "1q", "norm", "-3"], 0.095, 8)),
    dict(file="TQ4FIRETST", plays="XMLFirewarn held at 1: fire warning test", loop=True,
         what="a fire bell struck 8 times a second",
         recipe=(strike(0.125, 0.12, "sine", 760, "sine", 1900) + ["norm", "-3"], 0, 8)),
    # Sign chime, switches and knobs of the aircraft's XML gauges.
    dict(file="TQ4Signs", plays="XMLSmoke or XMLBelts set to 1: a sign switched", loop=False,
         what="a two-tone chime dying away",
         recipe=(strike(1.4, 1.35, "sine", 1046.5, "sine", 2093) + ["vol", "0.6"], 0, 1)),
    dict(file="TQ4Bus", plays="XMLBus set to 1: an electrical bus switch", loop=False, what="a relay click and clunk",
         recipe=(CLICK + ["pad", "0", "0.015"] + strike(0.06, 0.055, "brownnoise") + ["norm", "-3"], 0.02, 1)),
    dict(file="TQ4Click1", plays="XMLClick1 set to 1: a cockpit switch", loop=False,
         what="a sharp switch click", recipe=(CLICK + ["norm", "-3"], 0.02, 1)),
    dict(file="TQ4Click2", plays="XMLClick2 set to 1: a cockpit switch", loop=False, what="a softer switch click",
         recipe=(CLICK + ["lowpass", "3000", "norm", "-3"], 0.02, 1)),
    dict(file="TQ4Click3", plays="XMLClick3 set to 1: a cockpit switch", loop=False, what="a double switch click",
         recipe=(CLICK + ["norm", "-4"], 0.035, 2)),
    dict(file="TQ4ClickR", plays="XMLRotar set to 1: a rotary selector", loop=False, what="a tiny detent tick",
         recipe=(strike(0.003, 0.0025, "whitenoise") + ["highpass", "3500", "norm", "-5"], 0.02, 1)),
    dict(file="TQ4Rtr", plays="XMLRotor set to 1: a rotary knob", loop=False, what="three detent ticks of a turned knob",
         recipe=(strike(0.004, 0.0035, "whitenoise") + ["highpass", "3000", "norm", "-6"], 0.03, 3)),
]


def require_tools():
    for program, package in TOOLS.items():
        if shutil.which(program) is None:
            sys.exit(f"make_sound_set: {program} not found: install Debian's {package} package")


def run(command):
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if done.returncode != 0:
        raise RuntimeError(f"{' '.join(command)}: {done.stderr.decode(errors='replace').strip()}")
    return done.stdout


def spoken(sound, scratch):
    """The words in the cockpit voice, trimmed and normalised, as PCM samples."""
    voiced = os.path.join(scratch, sound["file"] + ".voice.wav")
    run(["espeak-ng"] + VOICE + ["-w", voiced, sound["words"]])
    effects = ["rate", str(RATE_HZ)] + TRIM + VOICE_BAND + ["norm", "-1", "fade", "q", "0.004", "reverse", "fade", "q", "0.01",
                                              "reverse"]
    if sound.get("gap_s"):
        effects += ["pad", "0", str(sound["gap_s"])]
    return samples(run(["sox", "-R", "-D", voiced] + PCM + ["-"] + effects))


def synthesised(sound):
    """The sox recipe rendered, padded and repeated, as PCM samples."""
    effects, pad_s, repeats = sound["recipe"]
    command = ["sox", "-R", "-D", "-n"] + PCM + ["-"] + effects
    if pad_s:
        command += ["pad", "0", str(pad_s)]
    if repeats > 1:
        command += ["repeat", str(repeats - 1)]
        if sound["loop"]:  # the first strike starts from silence, as the last dies into it
            command += ["fade", "q", "0.002"]
    return samples(run(command))


def samples(raw):
    pcm = array("h")
    pcm.frombytes(raw)
    if sys.byteorder != "little":
        pcm.byteswap()
    return pcm


def loop_cut(pcm):
    """The samples from the first upward zero crossing to just before a later
    one, chosen so that the loop seam steps from the last sample to the first
    as the waveform itself steps at that crossing: the seam joins near-zero
    samples and does not click."""
    if abs(pcm[0]) <= QUIET and abs(pcm[-1]) <= QUIET:
        return pcm  # starts and ends near silence already
    ups = [i for i in range(1, len(pcm)) if pcm[i - 1] < 0 <= pcm[i]]
    if len(ups) < 2:
        raise RuntimeError("a looping sound needs at least two upward zero crossings")
    start = ups[0]
    later = ups[len(ups) // 2:]
    end = min(reversed(later), key=lambda j: abs(pcm[j] - pcm[start]))
    return pcm[start:end]


def write_wav(path, pcm):
    if len(pcm) == 0:
        raise RuntimeError(f"{path}: no samples")
    data = pcm.tobytes() if sys.byteorder == "little" else _swapped(pcm)
    part = path + ".part"
    with wave.open(part, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE_HZ)
        w.writeframes(data)
    os.replace(part, path)


def _swapped(pcm):
    copy = array("h", pcm)
    copy.byteswap()
    return copy.tobytes()


def table():
    """The sound table in Markdown: file, what plays it, once or looping, how it is made."""
    rows = ["| file | plays when | mode | sound |", "|---|---|---|---|"]
    for s in SOUNDS:
        made = f'spoken: "{s["words"]}"' if "words" in s else "synthesised: " + s["what"]
        rows.append(f'| {s["file"]}.wav | {s["plays"]} | {"looping" if s["loop"] else "once"} | {made} |')
    return "\n".join(rows)


def main(argv):
    if argv[1:] == ["--table"]:
        print(table())
        return
    if len(argv) != 2:
        sys.exit("usage: make_sound_set.py OUT_DIR")
    out_dir = argv[1]
    require_tools()
    os.makedirs(out_dir, exist_ok=True)
    wanted = {s["file"] + ".wav" for s in SOUNDS}
    for stale in sorted(set(os.listdir(out_dir)) - wanted):
        if stale.lower().endswith((".wav", ".part")):
            os.remove(os.path.join(out_dir, stale))
    with tempfile.TemporaryDirectory() as scratch:
        for sound in SOUNDS:
            path = os.path.join(out_dir, sound["file"] + ".wav")
            try:
                pcm = spoken(sound, scratch) if "words" in sound else synthesised(sound)
                write_wav(path, loop_cut(pcm) if sound["loop"] else pcm)
            except (RuntimeError, OSError) as e:
                sys.exit(f"make_sound_set: {sound['file']}.wav could not be made: {e}")


if __name__ == "__main__":
    main(sys.argv)

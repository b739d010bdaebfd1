#!/usr/bin/env python3
"""Writes the module's sound set: one 16-bit PCM mono WAV at 22050 Hz for every
file the module plays, into OUT_DIR (the folder that ships as sound/MERTQ4/).

Usage: make_sound_set.py OUT_DIR
       make_sound_set.py --table   (prints the sound table in Markdown)

Spoken callouts and warnings are voiced with flite's male diphone voice at an
unhurried pace and coloured gently as a cockpit speaker would (low rumble and
the top octave eased off, a little presence), never band-cut so hard that
the opening /f/ or /th/ goes. Tones, chimes, clicks and mechanical sounds are
synthesised with sox. Each class of sound is set to its loudness (ITU-R
BS.1770, through libebur128) and passed through a look-ahead limiter, so no
sample is clipped: warnings as loud as the loudest chime, callouts level
with one another, clicks below the voice. Every run writes the same bytes:
sox runs with its repeatable seed and no dither, the levels are computed,
and the WAV header is written here, without dates or comments. Looping
sounds are cut at upward zero crossings so the loop seam is silent. A
missing tool or a file that cannot be made stops the run with an error.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sound_measure as measure  # noqa: E402  (re-runs under Debian's python3 for numpy)
from sound_measure import np  # noqa: E402
from sound_table import SOUNDS, table  # noqa: E402

try:
    from scipy.ndimage import minimum_filter1d, uniform_filter1d
except ImportError:
    sys.exit("make_sound_set: scipy not found: install Debian's python3-scipy package")

RATE_HZ = 22050
FLOAT = ["-t", "raw", "-e", "floating-point", "-b", "32", "-c", "1", "-r", str(RATE_HZ), "-L"]
QUIET = 0.01  # of full scale: a loop whose ends are this near zero joins silently
TOOLS = {"flite": "flite", "sox": "sox"}  # program -> Debian package

# The cockpit voice: flite's 16 kHz male voice (rms), a touch slower than its own
# pace. A phrase that still comes faster than SYLLABLES_PER_S is spoken again,
# slower, so that no callout is hurried more than the others.
VOICE = "rms"
DURATION_STRETCH = 1.1
SYLLABLES_PER_S = 3.6
# Cockpit colouring: rumble below 120 Hz and the top above 7 kHz eased off
# with gentle slopes, 2 dB of presence around 3 kHz.
VOICE_COLOUR = ["highpass", "120", "equalizer", "3000", "1q", "2", "lowpass", "-1", "7000"]
# Leading and trailing silence: the file starts where the voice first comes
# within EDGE_DB of its loudest 10 ms, and ends where it last does; its first
# 10 ms are then lifted to within ONSET_DB of the loudest.
EDGE_DB = 45.0
ONSET_DB = 28.0
# Mechanical sounds carry no rumble below what a cockpit speaker gives:
# two 40 Hz high-passes (24 dB an octave) and no DC.
NO_RUMBLE = ["highpass", "40", "highpass", "40"]

# Loudness of each class: the loudest 400 ms (BS.1770 momentary), in LUFS.
# Synthesised sounds of other classes keep the level of their recipe.
LOUDNESS_LUFS = {"warning": -16.0, "callout": -18.0, "alert": -17.0}
LOUDNESS_TOLERANCE_LU = 0.1
CEILING = 10 ** (-1.0 / 20)  # -1 dBFS: the limiter holds every sample below it
LIMITER_LOOKAHEAD_S = 0.005


def require_tools():
    for program, package in TOOLS.items():
        if shutil.which(program) is None:
            sys.exit(f"make_sound_set: {program} not found: install Debian's {package} package")


def run(command):
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if done.returncode != 0:
        raise RuntimeError(f"{' '.join(command)}: {done.stderr.decode(errors='replace').strip()}")
    return done.stdout


def floats(raw):
    return np.frombuffer(raw, dtype="<f4").astype(np.float64)


def voiced(sound, scratch, stretch):
    """The words in the cockpit voice, coloured, with the silence around them
    cut and the opening consonant brought forward."""
    path = os.path.join(scratch, sound["file"] + ".voice.wav")
    run(["flite", "-voice", VOICE, "--setf", f"duration_stretch={stretch:.3f}", "-t", sound["words"], "-o", path])
    x = floats(run(["sox", "-R", "-D", path] + FLOAT + ["-", "rate", "-v", str(RATE_HZ)] + VOICE_COLOUR))
    if len(x) < RATE_HZ // 10:
        raise RuntimeError(f"flite made {len(x)} samples of \"{sound['words']}\"")
    x = x - x.mean()
    hop, width, levels = measure.sliding_levels_db(x, RATE_HZ)
    loudest = levels.max()
    first = int(np.argmax(levels >= loudest - EDGE_DB)) * hop
    last = (len(levels) - int(np.argmax(levels[::-1] >= loudest - EDGE_DB))) * hop + width
    return lifted_onset(x[first:last])


def lifted_onset(x):
    """A soft opening consonant (the /f/ of "flaps", the /th/ of "thirty")
    raised so that the first 10 ms come within ONSET_DB of the loudest: the
    word is heard from its first sound, and the consonant is kept rather than
    cut. The lift holds over the first 10 ms, then falls away smoothly to
    nothing where the voice itself reaches that level."""
    for _ in range(4):
        hop, width, levels = measure.sliding_levels_db(x, RATE_HZ)
        wanted = levels.max() - ONSET_DB
        short_db = wanted - levels[0]
        if short_db <= 0:
            break
        fall = max(int(np.argmax(levels >= wanted)) * hop, width)
        lift_db = np.zeros(len(x))
        lift_db[:width] = short_db
        lift_db[width:width + fall] = short_db * np.cos(np.linspace(0, np.pi / 2, fall)) ** 2
        x = x * 10 ** (lift_db[:len(x)] / 20)
    return x


def spoken(sound, scratch):
    """The words at an unhurried pace: spoken again slower while they come too fast."""
    stretch = DURATION_STRETCH
    for _ in range(4):
        x = voiced(sound, scratch, stretch)
        rate = sound["syllables"] / (len(x) / RATE_HZ)
        if rate <= SYLLABLES_PER_S:
            break
        stretch *= rate / SYLLABLES_PER_S * 1.02
    x = faded(x, in_s=0.001, out_s=0.01)
    if sound.get("gap_s"):
        x = np.concatenate([x, np.zeros(int(sound["gap_s"] * RATE_HZ))])
    return x


def synthesised(sound):
    """The sox recipe rendered, padded and repeated."""
    effects, pad_s, repeats = sound["recipe"]
    command = ["sox", "-R", "-D", "-n"] + FLOAT + ["-"] + effects
    if pad_s:
        command += ["pad", "0", str(pad_s)]
    if repeats > 1:
        command += ["repeat", str(repeats - 1)]
        if sound["loop"]:  # the first strike starts from silence, as the last dies into it
            command += ["fade", "q", "0.002"]
    if sound["kind"] == "mechanical":
        command += NO_RUMBLE
    x = floats(run(command))
    return x - x.mean() if sound["kind"] == "mechanical" else x


def faded(x, in_s, out_s):
    """Quarter-sine fades at both ends, so the cut edges do not click."""
    x = x.copy()
    for n, edge in ((int(in_s * RATE_HZ), slice(None)), (int(out_s * RATE_HZ), slice(None, None, -1))):
        n = min(n, len(x))
        ramp = np.sin(np.linspace(0, np.pi / 2, n, endpoint=False))
        view = x[edge]
        view[:n] *= ramp
    return x


def limited(x):
    """A look-ahead limiter: the gain comes down smoothly before a peak that
    would pass the ceiling and recovers after it, so no sample passes the
    ceiling and none is clipped."""
    need = np.minimum(1.0, CEILING / np.maximum(np.abs(x), 1e-12))
    span = max(1, int(LIMITER_LOOKAHEAD_S * RATE_HZ))
    # Each gain is the mean over `span` of minima over 2 * span: no more than
    # the gain any sample within reach needs.
    gain = uniform_filter1d(minimum_filter1d(need, 2 * span + 1, mode="nearest"), span + 1, mode="nearest")
    return x * np.minimum(gain, need)


def levelled(sound, x):
    """The sound at its class's loudness, limited below the ceiling."""
    target = LOUDNESS_LUFS.get(sound["kind"])
    if target is None:
        return limited(x)
    for _ in range(10):  # the limiter takes some loudness: set the gain again until it holds
        short = target - measure.peak_momentary_lufs(x, RATE_HZ)
        if abs(short) < LOUDNESS_TOLERANCE_LU:
            break
        x = limited(x * 10 ** (short / 20))
    return x


def pcm16(x):
    return np.round(np.clip(x, -1.0, 1.0) * 32767).astype("<i2")


def loop_cut(pcm):
    """The samples from the first upward zero crossing to just before a later
    one, chosen so that the loop seam steps from the last sample to the first
    as the waveform itself steps at that crossing: the seam joins near-zero
    samples and does not click."""
    if abs(int(pcm[0])) <= QUIET * 32768 and abs(int(pcm[-1])) <= QUIET * 32768:
        return pcm  # starts and ends near silence already
    ups = [i for i in range(1, len(pcm)) if pcm[i - 1] < 0 <= pcm[i]]
    if len(ups) < 2:
        raise RuntimeError("a looping sound needs at least two upward zero crossings")
    start = ups[0]
    later = ups[len(ups) // 2:]
    end = min(reversed(later), key=lambda j: abs(int(pcm[j]) - int(pcm[start])))
    return pcm[start:end]


def write_wav(path, pcm):
    if len(pcm) == 0:
        raise RuntimeError(f"{path}: no samples")
    part = path + ".part"
    with wave.open(part, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE_HZ)
        w.writeframes(pcm.astype("<i2").tobytes())
    os.replace(part, path)


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
                x = spoken(sound, scratch) if "words" in sound else synthesised(sound)
                pcm = pcm16(levelled(sound, x))
                write_wav(path, loop_cut(pcm) if sound["loop"] else pcm)
            except (RuntimeError, OSError) as e:
                sys.exit(f"make_sound_set: {sound['file']}.wav could not be made: {e}")


if __name__ == "__main__":
    main(sys.argv)

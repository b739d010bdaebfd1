#!/usr/bin/env python3
"""Listens to a built sound set as a crew would, with Debian's pocketsphinx
standing in for an ear, and measures what a listener meets.

Usage: check_voice.py SOUND_DIR [--junit FILE]

Checks:
  - recognition: constrained to the set's spoken phrases, the recogniser
    takes every spoken file for its own phrase;
  - free recognition: the word error rate over all spoken files, printed,
    no higher than the rate measured when the voice was chosen plus a margin;
  - on time: every spoken file's first 10 ms within 30 dB of its loudest 10 ms;
  - no clipping: no flat-topped samples in any file;
  - loudness by class (BS.1770 momentary, the loudest 400 ms): every warning
    at least as loud as the loudest chime, bell or tone; the callouts within
    2 LU of one another; every click and tick quieter than every spoken file;
  - mechanical sounds: DC under 0.5 % of full scale, under 5 % of their
    energy below 30 Hz.
Prints a line per spoken file (phrase recognised, free transcript, when it
is first heard, its first 10 ms against its loudest, loudness) and one per check; exit status 0 when every check passes, 1 when
one fails, 2 when a tool is missing.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import wave
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sound_measure as measure  # noqa: E402  (re-runs under Debian's python3 for numpy)
from make_sound_set import RATE_HZ  # noqa: E402
from sound_table import SOUNDS, SPOKEN, heard  # noqa: E402
from sound_measure import np  # noqa: E402

RECOGNISER = ("pocketsphinx_continuous", "pocketsphinx")
MODEL_PACKAGE = "pocketsphinx-en-us"
MODEL_DIR = "/usr/share/pocketsphinx/model/en-us"
# Free recognition's word error rate over the spoken files when the voice was
# chosen (flite rms), and how much worse it may get before the test fails.
CHOSEN_WORD_ERROR_RATE = 0.49
WORD_ERROR_MARGIN = 0.06  # two words of the 35
LATEST_START_DB = 30.0  # the first 10 ms at most this far below the loudest
CALLOUT_SPREAD_LU = 2.0
MAX_DC = 0.005
MAX_ENERGY_BELOW_30_HZ = 0.05


def require_recogniser():
    program, package = RECOGNISER
    missing = None
    if shutil.which(program) is None:
        missing = f"{program} not found: install Debian's {package} package"
    elif not os.path.isdir(os.path.join(MODEL_DIR, "en-us")):
        missing = f"no English model in {MODEL_DIR}: install Debian's {MODEL_PACKAGE} package"
    if missing:
        print(f"check_voice: {missing}", file=sys.stderr)
        sys.exit(2)


def read_pcm(path):
    with wave.open(path, "rb") as w:
        return np.frombuffer(w.readframes(w.getnframes()), dtype="<i2")


def recognise(path, scratch, grammar=None):
    """What the recogniser hears in the file, heard from half a second of
    silence into half a second of silence, at its own 16 kHz."""
    heard_at = os.path.join(scratch, "heard.wav")
    subprocess.run(["sox", "-R", "-D", path, "-r", "16000", heard_at, "gain", "-n", "-3", "pad", "0.5", "0.5"], check=True)
    command = [RECOGNISER[0], "-infile", heard_at, "-logfn", os.devnull]
    if grammar:
        command += ["-jsgf", grammar]
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    return " ".join(done.stdout.split())


def word_errors(reference, hypothesis):
    """Substitutions, deletions and insertions that turn one into the other."""
    ref, hyp = reference.split(), hypothesis.split()
    row = list(range(len(hyp) + 1))
    for i, word in enumerate(ref, 1):
        previous, row[0] = row[0], i
        for j, other in enumerate(hyp, 1):
            previous, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, previous + (word != other))
    return row[-1]


def listen(folder):
    """Per spoken file: the phrase recognised, the free transcript and its word errors."""
    with tempfile.TemporaryDirectory() as scratch:
        grammar = os.path.join(scratch, "phrases.gram")
        with open(grammar, "w") as f:
            f.write("#JSGF V1.0;\ngrammar phrases;\npublic <phrase> = "
                    + " | ".join(heard(s) for s in SPOKEN) + ";\n")
        results = {}
        for s in SPOKEN:
            path = os.path.join(folder, s["file"] + ".wav")
            free = recognise(path, scratch)
            results[s["file"]] = (recognise(path, scratch, grammar), free, word_errors(heard(s), free))
        return results


class Check:
    def __init__(self, name):
        self.name, self.problems = name, []

    def expect(self, holds, problem):
        if not holds:
            self.problems.append(problem)


def main(argv):
    args = argv[1:]
    junit = None
    if "--junit" in args:
        at = args.index("--junit")
        junit = args[at + 1]
        del args[at:at + 2]
    if len(args) != 1:
        sys.exit("usage: check_voice.py SOUND_DIR [--junit FILE]")
    folder = args[0]
    require_recogniser()
    audio = {s["file"]: read_pcm(os.path.join(folder, s["file"] + ".wav")) for s in SOUNDS}
    scaled = {name: pcm / 32768.0 for name, pcm in audio.items()}
    loudness = {name: measure.peak_momentary_lufs(x, RATE_HZ) for name, x in scaled.items()}
    heard_as = listen(folder)

    print(f"{'sound':28} {'recognised as':22} {'free transcript':24} {'start':>5} {'opening':>7} {'loudness':>9}")
    for s in SPOKEN:
        phrase, free, _ = heard_as[s["file"]]
        start = measure.first_sound_ms(scaled[s["file"]], RATE_HZ)
        opening = measure.opening_below_loudest_db(scaled[s["file"]], RATE_HZ)
        print(f"{s['name']:28} {phrase or '(nothing)':22} {free or '(nothing)':24} {start:3.0f}ms {-opening:5.1f}dB "
              f"{loudness[s['file']]:5.1f} LUFS")

    checks = []
    recognised = Check("every spoken file recognised as its own phrase")
    for s in SPOKEN:
        phrase = heard_as[s["file"]][0]
        recognised.expect(phrase == heard(s), f"{s['name']}: heard as \"{phrase}\"")
    checks.append(recognised)

    errors = sum(e for _, _, e in heard_as.values())
    words = sum(len(heard(s).split()) for s in SPOKEN)
    rate = errors / words
    exact = sum(e == 0 for _, _, e in heard_as.values())
    print(f"free recognition: {exact} of {len(SPOKEN)} files word for word, word error rate {rate:.2f} "
          f"({errors} errors in {words} words; chosen at {CHOSEN_WORD_ERROR_RATE:.2f})")
    free = Check("free recognition no worse than when the voice was chosen")
    free.expect(rate <= CHOSEN_WORD_ERROR_RATE + WORD_ERROR_MARGIN,
                f"word error rate {rate:.2f}, above {CHOSEN_WORD_ERROR_RATE:.2f} + {WORD_ERROR_MARGIN:.2f}")
    checks.append(free)

    on_time = Check("every spoken file starts on time")
    for s in SPOKEN:
        below = measure.opening_below_loudest_db(scaled[s["file"]], RATE_HZ)
        on_time.expect(below <= LATEST_START_DB, f"{s['name']}: its first 10 ms are {below:.1f} dB below its "
                                                 f"loudest, more than {LATEST_START_DB:.0f}")
    checks.append(on_time)

    unclipped = Check("no flat-topped samples")
    for s in SOUNDS:
        flat = measure.flat_topped(audio[s["file"]])
        unclipped.expect(flat == 0, f"{s['file']}.wav ({s['name']}): {flat} flat-topped samples")
    checks.append(unclipped)

    def of(kind):
        return {s["name"]: loudness[s["file"]] for s in SOUNDS if s["kind"] == kind}

    warnings, callouts, alerts, clicks = of("warning"), of("callout"), of("alert"), of("click")
    voice = {**warnings, **callouts}
    balance = Check("loudness by class")
    loudest_alert = max(alerts, key=alerts.get)
    for name, lufs in warnings.items():
        balance.expect(lufs >= alerts[loudest_alert], f"{name} ({lufs:.1f} LUFS) is quieter than the "
                                                      f"{loudest_alert} ({alerts[loudest_alert]:.1f} LUFS)")
    spread = max(callouts.values()) - min(callouts.values())
    balance.expect(spread <= CALLOUT_SPREAD_LU, f"the callouts spread over {spread:.1f} LU")
    quietest_voice = min(voice, key=voice.get)
    for name, lufs in clicks.items():
        balance.expect(lufs < voice[quietest_voice], f"{name} ({lufs:.1f} LUFS) is not quieter than the "
                                                     f"{quietest_voice} ({voice[quietest_voice]:.1f} LUFS)")
    checks.append(balance)

    rumble = Check("mechanical sounds without DC or rumble")
    for s in SOUNDS:
        if s["kind"] == "mechanical":
            x = scaled[s["file"]]
            dc, low = measure.dc_offset(x), measure.energy_below(x, RATE_HZ, 30)
            rumble.expect(dc < MAX_DC, f"{s['name']}: DC {dc:.2%} of full scale")
            rumble.expect(low < MAX_ENERGY_BELOW_30_HZ, f"{s['name']}: {low:.0%} of its energy below 30 Hz")
    checks.append(rumble)

    for check in checks:
        print(f"{'FAIL' if check.problems else 'ok  '} {check.name}")
        for problem in check.problems:
            print(f"     {problem}")
    if junit:
        suite = ET.Element("testsuite", name="voice", tests=str(len(checks)))
        for check in checks:
            case = ET.SubElement(suite, "testcase", classname="voice", name=check.name)
            if check.problems:
                ET.SubElement(case, "failure", message=check.problems[0]).text = "\n".join(check.problems)
        os.makedirs(os.path.dirname(os.path.abspath(junit)), exist_ok=True)
        ET.ElementTree(suite).write(junit, encoding="utf-8", xml_declaration=True)
    return 1 if any(c.problems for c in checks) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Checks a built sound set against the module that plays it.

Usage: check_sound_set.py MODULE SOUND_DIR

MODULE is the built module (MERTQ4.gau or the native module library); every
"sound\\MERTQ4\\<name>.wav" path in it must exist in SOUND_DIR with exactly that
name, names must stay unique case-insensitively (as Windows sees them), and
SOUND_DIR holds nothing else. Each file is a 16-bit PCM mono WAV at 22050 Hz,
not silent, a one-shot under 3 s and a loop under 4 s; a loop starts and ends
near zero and its seam steps no further than the waveform steps inside it.
Prints each fault and exits 1 if there is any.
"""
import os
import re
import sys
import wave
from array import array

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_sound_set import RATE_HZ, SOUNDS  # noqa: E402

PATH_IN_MODULE = re.compile(rb"sound\\MERTQ4\\([A-Za-z0-9_]+\.wav)\x00")
LIMIT_S = {False: 3.0, True: 4.0}  # one-shot, loop
NEAR_ZERO = 0.05 * 32768
LOOPS = {s["file"] + ".wav" for s in SOUNDS if s["loop"]}


def played_by(module_path):
    with open(module_path, "rb") as f:
        return sorted({m.decode() for m in PATH_IN_MODULE.findall(f.read())})


def faults_of(path, loop):
    """Every way the file at path falls short, as sentences."""
    name = os.path.basename(path)
    try:
        with wave.open(path, "rb") as w:
            shape = (w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getcomptype())
            pcm = array("h", w.readframes(w.getnframes()))
    except (wave.Error, EOFError, OSError) as e:
        return [f"{name}: not a PCM WAV file ({e})"]
    if sys.byteorder != "little":
        pcm.byteswap()
    if shape != (1, 2, RATE_HZ, "NONE"):
        return [f"{name}: channels, bytes per sample, rate, compression are {shape}, not (1, 2, {RATE_HZ}, 'NONE')"]
    faults = []
    seconds = len(pcm) / RATE_HZ
    if not 0.01 <= seconds < LIMIT_S[loop]:
        faults.append(f"{name}: {seconds:.2f} s long, not between 0.01 and {LIMIT_S[loop]} s")
    if not pcm or max(abs(v) for v in pcm) < 1000:
        faults.append(f"{name}: silent")
        return faults
    if loop:
        if abs(pcm[0]) > NEAR_ZERO or abs(pcm[-1]) > NEAR_ZERO:
            faults.append(f"{name}: a loop must start and end near zero, not at {pcm[0]} and {pcm[-1]}")
        largest_step = max(abs(pcm[i] - pcm[i - 1]) for i in range(1, len(pcm)))
        if abs(pcm[0] - pcm[-1]) > largest_step:
            faults.append(f"{name}: the loop seam jumps {abs(pcm[0] - pcm[-1])}, more than any step inside "
                          f"({largest_step}): it clicks")
    return faults


def main(argv):
    if len(argv) != 3:
        sys.exit("usage: check_sound_set.py MODULE SOUND_DIR")
    module, folder = argv[1], argv[2]
    wanted = played_by(module)
    faults = []
    if len(wanted) < 30:
        faults.append(f"{module}: only {len(wanted)} sound paths found in the module")
    folded = {}
    for name in wanted:
        folded.setdefault(name.lower(), []).append(name)
    faults += [f"{' and '.join(names)}: the same file to Windows" for names in folded.values() if len(names) > 1]
    present = set(os.listdir(folder)) if os.path.isdir(folder) else set()
    faults += [f"{name}: played by the module but missing from {folder}" for name in wanted if name not in present]
    faults += [f"{name}: in {folder} but the module never plays it" for name in sorted(present - set(wanted))]
    for name in wanted:
        if name in present:
            faults += faults_of(os.path.join(folder, name), name in LOOPS)
    for fault in faults:
        print(fault)
    print(f"{len(wanted)} sound files checked, {len(faults)} faults")
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main(sys.argv)

#!/usr/bin/env python3
"""Mixes a bench run's sound calls into DIR/flight.wav, so the flight can be
heard end to end as the crew would hear it.

Usage: mix_flight.py DIR --sounds SOUND_DIR

Reads DIR/trace.jsonl (each frame's time "t" and its events) and the sound set
in SOUND_DIR (the built sound/MERTQ4 folder). A sound played once starts at its
frame's time and plays to its end; a looping sound starts when its key begins
to sound and repeats until that key is stopped, all sounds are terminated, or
the flight ends; asking again for a key already sounding the same file leaves
it running. The mix is written with sox, normalised, 16-bit mono at the sound
set's rate. A trace naming a file the sound set lacks is an error.
"""
import argparse
import json
import os
import subprocess
import sys
import wave
from array import array


def load_sounds(folder):
    """Samples and rate of every WAV in folder, by lower-case name (as Windows finds them)."""
    sounds, rates = {}, set()
    for name in sorted(os.listdir(folder)):
        if name.lower().endswith(".wav"):
            with wave.open(os.path.join(folder, name), "rb") as w:
                if (w.getnchannels(), w.getsampwidth()) != (1, 2):
                    sys.exit(f"mix_flight: {name}: not 16-bit mono")
                rates.add(w.getframerate())
                pcm = array("h", w.readframes(w.getnframes()))
                if sys.byteorder != "little":
                    pcm.byteswap()
                sounds[name.lower()] = pcm
    if len(rates) != 1:
        sys.exit(f"mix_flight: {folder}: no sounds, or sounds at different rates {sorted(rates)}")
    return sounds, rates.pop()


def spans(frames):
    """(start s, end s or None for to its end, file, looping) of every sound the crew hears."""
    played, sounding = [], {}  # key -> (start, file) of a loop now sounding
    t = end_t = 0.0
    previous = None
    for line in frames:
        t = float(line.get("t") or 0.0)
        end_t = t + (t - previous if previous is not None else 0.0)
        previous = t
        for event in line.get("events", []):
            kind = event.get("sound")
            if kind == "play":
                path, key = event.get("file", ""), event.get("key", "")
                if not event.get("loop"):
                    played.append((t, None, path, False))
                elif sounding.get(key, (0, None))[1] != path:
                    if key in sounding:
                        start, old = sounding.pop(key)
                        played.append((start, t, old, True))
                    sounding[key] = (t, path)
            elif kind == "stop" and event.get("key", "") in sounding:
                start, path = sounding.pop(event["key"])
                played.append((start, t, path, True))
            elif kind == "terminate":
                played += [(start, t, path, True) for start, path in sounding.values()]
                sounding.clear()
    played += [(start, end_t, path, True) for start, path in sounding.values()]
    return sorted(played, key=lambda s: (s[0], s[2])), end_t


def mix(played, end_t, sounds, rate_hz):
    length = int(round(end_t * rate_hz))
    for start, end, path, _ in played:
        pcm = sounds[file_key(path)]
        length = max(length, int(round(start * rate_hz)) + (len(pcm) if end is None else 0))
    total = array("i", bytes(4 * length))
    for start, end, path, looping in played:
        pcm = sounds[file_key(path)]
        first = int(round(start * rate_hz))
        last = first + len(pcm) if end is None else int(round(end * rate_hz))
        for i in range(first, min(last, length)):
            total[i] += pcm[(i - first) % len(pcm)]
    return total


def file_key(path):
    return path.replace("\\", "/").rsplit("/", 1)[-1].lower()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("dir")
    parser.add_argument("--sounds", required=True)
    args = parser.parse_args()
    sounds, rate_hz = load_sounds(args.sounds)
    with open(os.path.join(args.dir, "trace.jsonl"), encoding="utf-8") as f:
        frames = [json.loads(line) for line in f if line.strip()]
    played, end_t = spans(frames)
    missing = sorted({p for _, _, p, _ in played if file_key(p) not in sounds})
    if missing:
        sys.exit(f"mix_flight: {args.sounds} lacks {', '.join(missing)}")
    total = mix(played, end_t, sounds, rate_hz)
    if sys.byteorder != "little":
        total.byteswap()
    out = os.path.join(args.dir, "flight.wav")
    # The sums of 16-bit samples, read by sox as 32-bit ones, are quiet but exact;
    # norm brings the loudest moment to -1 dBFS. A silent flight stays silent.
    raw = ["-t", "raw", "-e", "signed-integer", "-b", "32", "-c", "1", "-r", str(rate_hz), "-L", "-"]
    effects = ["norm", "-1"] if any(total) else []
    done = subprocess.run(["sox", "-R", "-D", "-V1"] + raw + ["-b", "16", out + ".part.wav"] + effects,
                          input=total.tobytes(), stderr=subprocess.PIPE)
    if done.returncode != 0:
        sys.exit(f"mix_flight: sox: {done.stderr.decode(errors='replace').strip()}")
    os.replace(out + ".part.wav", out)
    print(f"{out}: {len(played)} sounds over {end_t:.1f} s")


if __name__ == "__main__":
    main()

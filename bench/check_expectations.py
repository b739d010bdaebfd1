#!/usr/bin/env python3
"""Checks a flown scenario's trace against the scenario's `expect` block.

usage: check_expectations.py SCENARIO.json DIR     checks DIR/trace.jsonl
       check_expectations.py --list DIR            prints the sounds heard, one per line

The trace holds every call the sound library received, and the warning
computer calls GaugeStopSound for each idle looping warning on every pass and
GaugePlaySound for each active one on every pass. The checks read what a crew
would hear, not the raw calls:
  - a one-shot sound (loop 0) is heard each time it is played;
  - a looping sound starts at the first play under its key while the key is
    idle, and ends at the first stop of that key (or a terminate) while it
    plays; the repeated calls in between change nothing.
`expect`:
  sounds: [{"frame": n, "play": file} | {"frame": n, "stop": key}, ...]
      each sound is heard starting (play) or ending (stop) at that frame;
  counts: {file: n}  the file is heard exactly n times in the flight;
  silent: true       the sound library received no play call at all.
One more rule holds for every trace that carries the module's loader calls:
whenever the panel has just been emptied, every successful load of the sound
library the module made has been freed again.
Exit status: 0 all hold, 1 one does not (each on stderr), 2 bad usage.
"""

import json
import os
import sys

SOUND_LIBRARY = "GaugeSound"


def frame_lines(trace_path):
    """The trace's frame lines, in order (snapshot lines left out)."""
    with open(trace_path, encoding="utf-8") as trace:
        for line in trace:
            record = json.loads(line)
            if "events" in record:
                yield record


class Hearing:
    """What a crew hears, one frame record at a time: `frame` gives
    (frame, "play" | "stop", file, key, looping) for each sound that starts,
    plays or ends in it; `playing` holds each looping sound now sounding,
    file by key."""

    def __init__(self):
        self.playing = {}

    def frame(self, record):
        n, playing, heard_now = record["frame"], self.playing, []
        for event in record["events"]:
            call = event.get("sound")
            if call == "play" and event["loop"] == 0:
                heard_now.append((n, "play", event["file"], event["key"], False))
            elif call == "play" and playing.get(event["key"]) != event["file"]:
                if event["key"] in playing:
                    heard_now.append((n, "stop", playing[event["key"]], event["key"], True))
                playing[event["key"]] = event["file"]
                heard_now.append((n, "play", event["file"], event["key"], True))
            elif call == "stop" and event["key"] in playing:
                heard_now.append((n, "stop", playing.pop(event["key"]), event["key"], True))
            elif call == "terminate":
                heard_now += [(n, "stop", file, key, True) for key, file in sorted(playing.items())]
                playing.clear()
        return heard_now


def heard(frames):
    """What a crew hears: (frame, "play", file, key) and (frame, "stop", file, key),
    in order, from the raw calls of the sound library."""
    hearing = Hearing()
    for record in frames:
        for sound in hearing.frame(record):
            yield sound[:4]


def loader_imbalances(frames):
    """Frames at which the panel was just emptied while the module still held
    loads of the sound library it had not freed."""
    placed = set()
    held = 0
    traced = False
    problems = []
    for record in frames:
        emptied = False
        for event in record["events"]:
            if "panel" in event:
                if event["panel"] == "place":
                    placed.add(event["gauge"])
                else:
                    placed.discard(event["gauge"])
                    emptied = emptied or not placed
            elif "loader" in event:
                traced = True
                call, result = event["loader"], event["result"]
                if call == "LoadLibraryA" and result == SOUND_LIBRARY:
                    held += 1
                elif call == "FreeLibrary" and event["name"] == SOUND_LIBRARY and result:
                    held -= 1
        if traced and emptied and not placed and held != 0:
            problems.append(f"frame {record['frame']}: the panel is empty but the module holds "
                            f"{held} load(s) of {SOUND_LIBRARY} it has not freed")
    return problems


def check(expect, frames):
    """Every way the trace departs from `expect`, as plain sentences."""
    frames = list(frames)
    sounds = list(heard(frames))
    problems = []
    for i, want in enumerate(expect.get("sounds", [])):
        kind = "play" if "play" in want else "stop"
        name = want[kind]
        at = want["frame"]
        matches = [s for s in sounds if s[1] == kind and (s[2] if kind == "play" else s[3]) == name]
        if not any(s[0] == at for s in matches):
            seen = ", ".join(str(s[0]) for s in matches[:8]) or "never"
            problems.append(f"expect.sounds[{i}]: {kind} {name} not heard at frame {at} "
                            f"(heard at: {seen})")
    for file, times in expect.get("counts", {}).items():
        got = sum(1 for s in sounds if s[1] == "play" and s[2] == file)
        if got != times:
            problems.append(f"expect.counts: {file} heard {got} times, not {times}")
    if expect.get("silent"):
        plays = [(r["frame"], e["file"]) for r in frames for e in r["events"] if e.get("sound") == "play"]
        if plays:
            problems.append(f"expect.silent: {len(plays)} play calls, the first {plays[0][1]} "
                            f"at frame {plays[0][0]}")
    problems += loader_imbalances(frames)
    return problems


def main(argv):
    args = argv[1:]
    if len(args) == 2 and args[0] == "--list":
        for n, kind, file, key in heard(frame_lines(os.path.join(args[1], "trace.jsonl"))):
            print(f"{n:6d} {kind:4s} {file} {key}".rstrip())
        return 0
    if len(args) != 2:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    scenario_path, run_dir = args
    with open(scenario_path, encoding="utf-8") as f:
        expect = json.load(f).get("expect", {})
    problems = check(expect, frame_lines(os.path.join(run_dir, "trace.jsonl")))
    for p in problems:
        print(f"{scenario_path}: {p}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

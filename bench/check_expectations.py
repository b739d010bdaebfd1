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
  silent: true       the sound library received no play call at all;
  exhaustive: true   every sound heard starting is listed: in `sounds` at
                     its frame, or in `counts` by its file;
  never: [file or key, ...]
                     no play call of the file, or under the key, at all;
  elements: [{"snapshot": label, "gauge": name, "element": n, "hidden": b,
              "flags": n, "text": s, "position": x}, ...]
                     the element (n down the gauge's chain) at the snapshot
                     as given: each field present is compared (position to
                     1e-6; flags are the image flags as the host read them).
One more rule holds for every trace that carries the module's loader calls:
whenever the panel has just been emptied, every successful load of the sound
library the module made has been freed again.
Exit status: 0 all hold, 1 one does not (each on stderr), 2 bad usage.
"""

import json
import os
import sys

SOUND_LIBRARY = "GaugeSound"


def trace_lines(trace_path):
    """The trace's frame lines and its snapshot lines, each list in order."""
    frames, snapshots = [], []
    with open(trace_path, encoding="utf-8") as trace:
        for line in trace:
            record = json.loads(line)
            if "events" in record:
                frames.append(record)
            elif "snapshot" in record:
                snapshots.append(record)
    return frames, snapshots


def frame_lines(trace_path):
    """The trace's frame lines, in order (snapshot lines left out)."""
    return trace_lines(trace_path)[0]


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


# An element as a snapshot line holds it: [kind, value, position, hidden, text, flags].
ELEMENT_FIELDS = {"position": 2, "hidden": 3, "text": 4, "flags": 5}


def element_problems(wants, snapshots):
    by_label = {s["snapshot"]: s for s in snapshots}
    problems = []
    for i, want in enumerate(wants):
        where = f"expect.elements[{i}] ({want['gauge']} element {want['element']} at {want['snapshot']!r})"
        snapshot = by_label.get(want["snapshot"])
        chain = None if snapshot is None else snapshot["gauges"].get(want["gauge"])
        if chain is None or not 0 <= want["element"] < len(chain):
            problems.append(f"{where}: not in the trace")
            continue
        element = chain[want["element"]]
        for field, index in ELEMENT_FIELDS.items():
            if field not in want:
                continue
            got = element[index] if index < len(element) else None
            same = (got is not None and abs(got - want[field]) <= 1e-6) if field == "position" \
                else got == want[field]
            if not same:
                problems.append(f"{where}: {field} is {json.dumps(got)}, not {json.dumps(want[field])}")
    return problems


def unlisted(expect, sounds):
    listed = {(w["frame"], w["play"]) for w in expect.get("sounds", []) if "play" in w}
    counted = set(expect.get("counts", {}))
    return [f"expect.exhaustive: {file} (key {key!r}) heard at frame {n}, and not listed"
            for n, kind, file, key in sounds
            if kind == "play" and (n, file) not in listed and file not in counted]


def check(expect, frames, snapshots=()):
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
    if expect.get("exhaustive"):
        problems += unlisted(expect, sounds)
    never = set(expect.get("never", []))
    for record in frames:
        for e in record["events"]:
            if e.get("sound") == "play" and (e["file"] in never or e["key"] in never):
                problems.append(f"expect.never: {e['file']} played under key {e['key']!r} "
                                f"at frame {record['frame']}")
                never -= {e["file"], e["key"]}  # said once each
    problems += element_problems(expect.get("elements", []), snapshots)
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
    problems = check(expect, *trace_lines(os.path.join(run_dir, "trace.jsonl")))
    for p in problems:
        print(f"{scenario_path}: {p}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""The bench runner's checks of its scenario: every bad scenario is refused
with exit status 2 and a message naming the field and the problem, and leaves
nothing in DIR; a good one writes trace.jsonl and run.json and nothing else.

usage: scenario_checks.py RUNNER... (e.g. build/native/bench/mertq4-bench, or
wine build/windows/bin/mertq4-bench.exe)
"""
import json
import os
import subprocess
import sys
import tempfile

GOOD = {
    "name": "checks",
    "frame_rate": 10,
    "duration_s": 1,
    "panel": ["MERTQ4ComLnk", "MERTQ4GPWS", "MERTQ4SGN", "MERTQ4ASPD"],
    "tokens": {"614": [[0, 300], [1, "nan"]], "61": 180, "907": {"step": [[0.5, 1]]}},
    "variables": [[0.2, "XMLSmoke", 1]],
    "clicks": [{"t": 0.3, "gauge": "MERTQ4ASPD", "x": 150, "y": 200, "held_frames": 3}],
    "panel_events": [{"t": 0.5, "remove": "MERTQ4SGN"}, {"t": 0.6, "place": "MERTQ4SGN"}],
    "snapshots": [{"t": 1, "label": "end"}],
    "expect": {"silent": False},
}


def but(**changes):
    scenario = json.loads(json.dumps(GOOD))
    for field, value in changes.items():
        if value is None:
            scenario.pop(field, None)
        else:
            scenario[field] = value
    return scenario


# (scenario, text the message must hold, why it is refused)
BAD = [
    ("{", "scenario: not valid JSON", "a file that is not JSON"),
    (but(foo=1), "foo: unknown field", "fields are never ignored"),
    (but(duration_s=None), 'missing field "duration_s"', "the length has no default"),
    (but(duration_s=0), "duration_s: must be positive", "a flight of no time"),
    (but(duration_s="nan"), "duration_s: expected a number", "a length that is not a number"),
    (but(duration_s=1e12), "duration_s: 1000000000000.0 s at 10.0 frames per second is more than",
     "a flight too long to run"),
    (but(frame_rate=-18), "frame_rate: must be positive", "frames must move forward"),
    (but(panel=["MERTQ4SGN", "MERTQ4SGN"]), "panel[1]: MERTQ4SGN is placed twice",
     "a gauge is on the panel once"),
    (but(panel=["MERTQ4FOO"]), 'panel[0]: unknown gauge "MERTQ4FOO"', "only the module's gauges"),
    (but(sound_library="some"), 'sound_library: expected "full", "play_only" or "absent"',
     "three library modes"),
    (but(host_component={"2848": 256}), "host_component.2848: 256.0 is not within 0..255",
     "status bytes are bytes"),
    (but(host_component={"2849": 1}), "host_component.2849: unknown field",
     "only the three status bytes"),
    (but(tokens={"999": 1}), "tokens.999: the module reads no token 999",
     "a token the module never reads does nothing"),
    (but(tokens={"614": [[0, 1], [12, 2], [14, 3], [12, 4]]}), "tokens.614[1][0]: 12.0 s is after the end",
     "keyframe times inside the flight"),
    (but(duration_s=20, tokens={"614": [[0, 1], [14, 2], [12, 3]]}),
     "tokens.614[2]: keyframe at 12.0 s is not after 14.0 s", "keyframes in time order"),
    (but(tokens={"614": [[0, 1], [0, 2]]}), "tokens.614[1]: keyframe at 0.0 s is not after 0.0 s",
     "two keys at one time"),
    (but(tokens={"614": "fast"}), 'tokens.614: expected a number or "nan"', "values are doubles"),
    (but(tokens={"614": {"steps": []}}), "tokens.614.steps: unknown field", "step is spelled once"),
    (but(tokens={"614": []}), "tokens.614: expected at least one", "keyframes need a key"),
    (but(variables=[[0.1, "XMLSmoke"]]), "variables[0]: expected [t_s, name, value]",
     "a write has three parts"),
    (but(variables=[[-1, "XMLSmoke", 1]]), "variables[0][0]: -1.0 s is before the start",
     "no time before the flight"),
    (but(clicks=[{"t": 0, "gauge": "MERTQ4FOO", "x": 1, "y": 1}]),
     'clicks[0].gauge: unknown gauge "MERTQ4FOO"', "clicks on the module's gauges"),
    (but(clicks=[{"t": 0, "gauge": "MERTQ4SGN", "x": 300, "y": 10}]),
     "clicks[0]: (300, 10) is outside MERTQ4SGN (96 x 51)", "a click inside the gauge"),
    (but(clicks=[{"t": 0, "gauge": "MERTQ4SGN", "x": 96, "y": 0}]),
     "clicks[0]: (96, 0) is outside MERTQ4SGN (96 x 51)", "x = width is one past the edge"),
    (but(clicks=[{"t": 0, "gauge": "MERTQ4SGN", "x": 1, "y": 1, "held_frames": 0}]),
     "clicks[0].held_frames: 0.0 is not within 1..", "a click is held at least its own frame"),
    (but(clicks=[{"t": 0, "gauge": "MERTQ4SGN", "x": 1, "y": 1, "button": "middle"}]),
     'clicks[0].button: expected "left" or "right"', "two buttons"),
    (but(clicks=[{"t": 0, "gauge": "MERTQ4VSI", "x": 1, "y": 1}]),
     "clicks[0].gauge: MERTQ4VSI is not on the panel at frame 0", "clicks on placed gauges only"),
    (but(clicks=[{"t": 0.5, "gauge": "MERTQ4SGN", "x": 1, "y": 1}]),
     "clicks[0].gauge: MERTQ4SGN is not on the panel at frame 5",
     "a gauge removed earlier in the frame takes no click"),
    (but(panel_events=[{"t": 0.1, "place": "MERTQ4GPWS"}]),
     "panel_events[0].place: MERTQ4GPWS is already on the panel", "placed twice over time"),
    (but(panel_events=[{"t": 0.1, "remove": "MERTQ4VSI"}]),
     "panel_events[0].remove: MERTQ4VSI is not on the panel", "removing what is not there"),
    (but(panel_events=[{"t": 0.1, "remove": "MERTQ4GPWS", "place": "MERTQ4VSI"}]),
     'panel_events[0]: expected one of "place" and "remove"', "one action per event"),
    (but(snapshots=[{"t": 0, "label": "a"}, {"t": 1, "label": "a"}]),
     'snapshots[1].label: "a" is already the label of snapshots[0]', "labels name files"),
    (but(snapshots=[{"t": 0, "label": "a b"}, {"t": 1, "label": "a-b"}]),
     'snapshots[1].label: "a-b" gives the same file name (a-b) as snapshots[0]',
     "two labels, one picture"),
    (but(snapshots=[{"t": 0, "label": ".."}]), 'snapshots[0].label: ".." cannot name a folder',
     "pictures stay inside DIR"),
    (but(frame_rate=18, duration_s=1.05, snapshots=[{"t": 1.05, "label": "end"}]),
     "snapshots[0].t: 1.05 s falls after the last frame", "an event no frame reaches"),
    (but(expect={"sound": []}), "expect.sound: unknown field", "expectations are spelled right"),
]


def run(runner, scenario, out_dir, extra=()):
    with tempfile.NamedTemporaryFile("w", suffix=".json", delete=False) as file:
        file.write(scenario if isinstance(scenario, str) else json.dumps(scenario))
        path = file.name
    try:
        done = subprocess.run(runner + [path, "--out", out_dir, *extra], capture_output=True, text=True,
                              timeout=300)
        return done.returncode, done.stderr
    finally:
        os.unlink(path)


def main():
    runner = sys.argv[1:]
    if not runner:
        sys.exit(__doc__)
    if os.path.basename(runner[0]) == "wine":
        # One Wine server for all the runs, gone a few seconds after the last.
        subprocess.run(["wineserver", "-p5"], check=False)
    failures = []
    with tempfile.TemporaryDirectory() as work:
        for n, (scenario, message, why) in enumerate(BAD):
            out_dir = os.path.join(work, f"bad{n}")
            status, stderr = run(runner, scenario, out_dir)
            if status != 2 or message not in stderr:
                failures.append(f"{why}: exit {status}, wanted 2 and {message!r}; stderr: {stderr.strip()}")
            elif os.path.exists(out_dir):
                failures.append(f"{why}: {out_dir} left behind: {os.listdir(out_dir)}")

        # A refused scenario leaves an existing DIR as it was.
        kept = os.path.join(work, "kept")
        os.mkdir(kept)
        status, stderr = run(runner, but(duration_s=0), kept)
        if status != 2 or os.listdir(kept):
            failures.append(f"existing DIR after a refusal: exit {status}, holds {os.listdir(kept)}")

        good = os.path.join(work, "good")
        status, stderr = run(runner, GOOD, good)
        if status != 0:
            failures.append(f"good scenario: exit {status}: {stderr.strip()}")
        else:
            files = sorted(os.listdir(good))
            if files != ["run.json", "trace.jsonl"]:
                failures.append(f"good scenario wrote {files}")
            with open(os.path.join(good, "trace.jsonl")) as trace:
                lines = [json.loads(line) for line in trace]
            frames = [line for line in lines if "snapshot" not in line]
            if len(frames) != 11 or [line["frame"] for line in frames] != list(range(11)):
                failures.append(f"good scenario: {len(frames)} frame lines, wanted 0..10")
            if frames and frames[-1]["tokens"].get("614") != "nan":
                failures.append(f"keyframe to nan: last 614 is {frames[-1]['tokens'].get('614')}")
            first = frames[0]["events"] if frames else []
            if first[:2] != [{"panel": "place", "gauge": "MERTQ4ComLnk"},
                             {"loader": "LoadLibraryA", "name": "GaugeSound", "result": "GaugeSound"}]:
                failures.append(f"frame 0 does not open with the placing and its library load: {first[:2]}")
            if not any(event.get("var") == "XMLSmoke" for event in frames[2]["events"]):
                failures.append("the sound link's write-back of XMLSmoke is not traced")
            with open(os.path.join(good, "run.json")) as record:
                run_json = json.load(record)
            if run_json.get("frames") != 11 or run_json.get("snapshots", [{}])[0].get("file") != "panel-end.png":
                failures.append(f"run.json: {run_json}")

        if os.path.basename(runner[0]) == "wine":
            # The Windows runner refuses a module file it cannot use, naming it and why.
            junk = os.path.join(work, "junk.gau")
            with open(junk, "w") as file:
                file.write("not a module")
            for module, message, why in [
                (os.path.join(work, "absent.gau"), "absent.gau: File not found", "no such file"),
                (junk, "junk.gau: cannot be loaded", "not a module"),
            ]:
                out_dir = os.path.join(work, "module")
                status, stderr = run(runner, GOOD, out_dir, ["--module", module])
                if status != 2 or message not in stderr or os.path.exists(out_dir):
                    failures.append(f"--module, {why}: exit {status}: {stderr.strip()}")

    for failure in failures:
        print("FAIL", failure)
    total = len(BAD) + 2 + (2 if os.path.basename(runner[0]) == "wine" else 0)
    print(f"{total - len(failures)} of {total} checks passed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()

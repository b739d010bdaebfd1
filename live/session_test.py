#!/usr/bin/env python3
"""A live session through the native runner's interactive mode, saved as a
scenario and flown again by the bench: the two traces must be the same bytes.
Also: bad inputs are refused with the scenario reader's words and leave the
flight going.

usage: session_test.py RUNNER...   (the runner's command: the native
mertq4-bench, or wine and mertq4-bench.exe)
"""
import json
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from session import Session  # noqa: E402

RUNNER, sys.argv[1:] = sys.argv[1:], []
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PANEL = ["MERTQ4ComLnk", "MERTQ4GPWS", "MERTQ4RADALT", "MERTQ4ALTALRT", "MERTQ4ALTALRTKNB", "MERTQ4ASPD"]


def fly(scenario_text):
    """The trace the bench writes for a scenario."""
    with tempfile.TemporaryDirectory() as scratch:
        saved = os.path.join(scratch, "session.json")
        with open(saved, "w") as f:
            f.write(scenario_text)
        subprocess.run(RUNNER + [saved, "--out", os.path.join(scratch, "run")], check=True)
        with open(os.path.join(scratch, "run", "trace.jsonl")) as f:
            return f.read()


class LiveSession(unittest.TestCase):
    def setUp(self):
        self.session = Session(RUNNER + ["--interactive"], {"name": "by hand", "panel": PANEL})

    def tearDown(self):
        self.assertEqual(self.session.close(), 0)

    def test_saved_session_flies_to_the_same_trace(self):
        s = self.session
        # A descent through the decision height with the knob clicked, a
        # variable pulsed, a value that is no number, a gauge removed and
        # placed again, a click held, and a snapshot.
        self.assertEqual(s.inputs({"tokens": {"614": 120, "556": -10, "331": 1, "61": 140}}), [])
        s.frames(3)
        self.assertEqual(s.inputs({"clicks": [{"gauge": "MERTQ4RADALT", "x": 240, "y": 220,
                                               "held_frames": 20}]}), [])
        self.assertEqual(s.inputs({"variables": [["XMLSmoke", 1]], "tokens": {"614": 90}}), [])
        self.assertEqual(s.inputs({"tokens": {"614": 80}}), [], "the later value of a frame wins")
        s.frames(5)
        self.assertEqual(s.inputs({"clicks": [{"gauge": "MERTQ4ALTALRTKNB", "x": 5, "y": 18,
                                               "held_frames": 100000}]}), [], "pressed and held")
        s.frames(6)
        self.assertEqual(s.inputs({"release": True}), [], "released after 6 frames")
        s.frames(14)
        self.assertEqual(s.inputs({"tokens": {"614": 0.5, "61": float("nan")},
                                   "panel_events": [{"remove": "MERTQ4ASPD"}]}), [])
        s.frames(2)
        self.assertEqual(s.inputs({"panel_events": [{"place": "MERTQ4ASPD"}],
                                   "snapshots": [{"label": "low"}]}), [])
        drawn = s.frames(4)
        self.assertIn("MERTQ4RADALT", drawn["gauges"])
        sounds = [e["file"] for line in s.trace for e in json.loads(line).get("events", []) if e.get("sound") == "play"]
        self.assertIn("sound\\MERTQ4\\TQ4Signs.wav", sounds)

        self.assertEqual(fly(s.recording.scenario_text()), "".join(s.trace))

    def test_played_scenario_taken_over_saves_to_the_same_trace(self):
        # The approach played while its knob is held, the airspeed taken by
        # hand, then the whole flight taken over and the knob let go.
        with open(os.path.join(ROOT, "scenarios", "approach.json")) as f:
            approach = json.load(f)
        s = Session(RUNNER + ["--interactive"], {}, scenario=approach)
        try:
            s.frames(60)
            self.assertTrue(s.playing)
            self.assertEqual(s.step({"tokens": {"61": 200}}, 30)[0], [])
            self.assertEqual(s.step({"release": True}, 25, take_over=True)[0], [])
            self.assertFalse(s.playing)
            lines = [json.loads(line) for line in s.trace]
            self.assertEqual(lines[-1]["tokens"]["61"], 200)
            self.assertEqual(lines[-1]["tokens"]["614"], lines[-25]["tokens"]["614"], "held from the take-over")
            repeats = [n for n, line in enumerate(lines) if any(e.get("repeat") for e in line["events"])]
            self.assertEqual(repeats[-1], 89, "the knob let go at the take-over")
            self.assertEqual(fly(s.recording.scenario_text()), "".join(s.trace))
        finally:
            self.assertEqual(s.close(), 0)

    def test_bad_inputs_are_refused_and_the_flight_goes_on(self):
        rows = [  # (inputs, words of the refusal, reason)
            ({"tokens": {"999": 1}}, "no token 999", "a token the module does not read"),
            ({"tokens": {"614": "high"}}, "tokens.614", "a value that is not a number"),
            ({"clicks": [{"gauge": "MERTQ4SGN", "x": 1, "y": 1}]}, "not on the panel", "a gauge not placed"),
            ({"clicks": [{"gauge": "MERTQ4RADALT", "x": 900, "y": 1}]}, "outside", "a click outside the gauge"),
            ({"variables": [["XMLSmoke"]]}, "[name, value]", "a malformed variable write"),
            ({"clicks": [{"t": 3, "gauge": "MERTQ4RADALT", "x": 1, "y": 1}]}, "no time", "a time in a live input"),
            ({"wind": 3}, "unknown field", "an unknown input"),
        ]
        for inputs, words, reason in rows:
            with self.subTest(reason):
                refused = self.session.inputs(inputs)
                self.assertEqual(len(refused), 1)
                self.assertIn(words, refused[0])
        self.session.frames(2)
        self.assertEqual(self.session.recording.inputs, [])
        self.assertEqual([json.loads(line)["frame"] for line in self.session.trace], [0, 1])


if __name__ == "__main__":
    unittest.main()

#!/usr/bin/env python3
"""The expectation checker on crafted frames: what counts as heard, and each
kind of expectation met and missed."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_expectations import check  # noqa: E402

BEEP, SINK = "beep.wav", "sink.wav"


def play(file, key="", loop=0):
    return {"sound": "play", "file": file, "key": key, "loop": loop}


def stop(key):
    return {"sound": "stop", "key": key}


def frames(*events_per_frame):
    return [{"frame": n, "t": n / 18, "tokens": {}, "events": list(e)} for n, e in enumerate(events_per_frame)]


# A looping warning asked for on frames 1-3, stopped on every other pass, and a
# beep on frames 2 and 3.
FLIGHT = frames(
    [stop("sink")],
    [play(SINK, "sink", 1)],
    [play(SINK, "sink", 1), play(BEEP)],
    [play(SINK, "sink", 1), play(BEEP)],
    [stop("sink")],
    [stop("sink")],
)


class Expectations(unittest.TestCase):
    def test_rows(self):
        # (reason, expect, number of problems)
        rows = [
            ("a loop starts at its first play", {"sounds": [{"frame": 1, "play": SINK}]}, 0),
            ("a repeated play of a sounding loop starts nothing", {"sounds": [{"frame": 2, "play": SINK}]}, 1),
            ("a loop ends at its first stop while it sounds", {"sounds": [{"frame": 4, "stop": "sink"}]}, 0),
            ("a stop of an idle key ends nothing", {"sounds": [{"frame": 0, "stop": "sink"}]}, 1),
            ("a stop of an idle key ends nothing, later too", {"sounds": [{"frame": 5, "stop": "sink"}]}, 1),
            ("each one-shot play is heard", {"sounds": [{"frame": 3, "play": BEEP}]}, 0),
            ("a loop counts once however long it sounds", {"counts": {SINK: 1}}, 0),
            ("one-shots count every play", {"counts": {BEEP: 2}}, 0),
            ("a wrong count is caught", {"counts": {BEEP: 1}}, 1),
            ("a count of zero holds for a file never played", {"counts": {"other.wav": 0}}, 0),
            ("a flight with plays is not silent", {"silent": True}, 1),
            ("no expectations, nothing to miss", {}, 0),
            ("exhaustive: every sound listed at its frame or counted",
             {"exhaustive": True, "sounds": [{"frame": 1, "play": SINK}], "counts": {BEEP: 2}}, 0),
            ("exhaustive: a sound heard and not listed is caught",
             {"exhaustive": True, "sounds": [{"frame": 1, "play": SINK}, {"frame": 2, "play": BEEP}]}, 1),
            ("never: a file played is caught", {"never": [BEEP]}, 1),
            ("never: a key played under is caught, once", {"never": ["sink"]}, 1),
            ("never: stops under the key are no plays", {"never": ["other"]}, 0),
        ]
        for reason, expect, problems in rows:
            with self.subTest(reason):
                self.assertEqual(len(check(expect, FLIGHT)), problems)

    def test_element_states_at_snapshots(self):
        snapshots = [{"frame": 3, "t": 0.2, "snapshot": "minimums",
                      "gauges": {"MERTQ4RADALT": [["static_image", None, None, False, None, 0],
                                                  ["icon", 1.0, 1.0, True, None, 1 << 30 | 1]]}}]
        at = {"snapshot": "minimums", "gauge": "MERTQ4RADALT", "element": 1}
        # (reason, expected fields, number of problems)
        rows = [
            ("every field as traced", {"hidden": True, "flags": 1 << 30 | 1, "position": 1.0000001}, 0),
            ("a flag shown where it must hide", {"hidden": False}, 1),
            ("image flags other than traced", {"flags": 1}, 1),
            ("a position off by more than rounding", {"position": 1.001}, 1),
            ("an element past the chain's end", {"element": 2}, 1),
            ("a snapshot that was not taken", {"snapshot": "rollout"}, 1),
        ]
        for reason, fields, problems in rows:
            with self.subTest(reason):
                got = check({"elements": [{**at, **fields}]}, FLIGHT, snapshots)
                self.assertEqual(len(got), problems, got)

    def test_terminate_ends_every_loop(self):
        flight = frames([play(SINK, "sink", 1), play("tone.wav", "tone", 1)], [{"sound": "terminate"}],
                        [play(SINK, "sink", 1)])
        expect = {"sounds": [{"frame": 1, "stop": "sink"}, {"frame": 1, "stop": "tone"},
                             {"frame": 2, "play": SINK}], "counts": {SINK: 2}}
        self.assertEqual(check(expect, flight), [])

    def test_stop_calls_alone_are_silent(self):
        self.assertEqual(check({"silent": True}, frames([stop("sink")], [{"sound": "terminate"}])), [])

    def test_emptied_panel_must_have_freed_the_sound_library(self):
        load = {"loader": "LoadLibraryA", "name": "GaugeSound", "result": "GaugeSound"}
        free = {"loader": "FreeLibrary", "name": "GaugeSound", "result": True}
        place = {"panel": "place", "gauge": "MERTQ4GPWS"}
        remove = {"panel": "remove", "gauge": "MERTQ4GPWS"}
        self.assertEqual(check({}, frames([place, load], [remove, free])), [])
        self.assertEqual(len(check({}, frames([place, load, load], [remove, free]))), 1,
                         "one load left when the panel is empty")
        self.assertEqual(check({}, frames([place, load], [{**free, "result": False}])), [],
                         "nothing to judge while a gauge stays placed")


if __name__ == "__main__":
    unittest.main()

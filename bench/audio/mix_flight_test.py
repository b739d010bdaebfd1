#!/usr/bin/env python3
"""Checks which sounds the flight mix hears, and when, from crafted frames."""
import os
import sys
import unittest
from array import array

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from mix_flight import mix, spans  # noqa: E402

A, B = "sound\\MERTQ4\\TQ4A.wav", "sound\\MERTQ4\\TQ4B.wav"


def play(path, key="", loop=0):
    return {"sound": "play", "file": path, "key": key, "loop": loop}


def frames(*events_per_frame):
    return [{"frame": i, "t": i * 0.5, "events": list(e)} for i, e in enumerate(events_per_frame)]


class Spans(unittest.TestCase):
    CASES = [
        ("a one-shot plays from its frame to its own end",
         frames([], [play(A)]), [(0.5, None, A, False)]),
        ("a loop asked for on every frame starts once and runs to the flight's end",
         frames([play(A, "k", 1)], [play(A, "k", 1)], [play(A, "k", 1)]), [(0.0, 1.5, A, True)]),
        ("a stop ends the loop of its key only",
         frames([play(A, "k", 1), play(B, "j", 1)], [{"sound": "stop", "key": "k"}], []),
         [(0.0, 0.5, A, True), (0.0, 1.5, B, True)]),
        ("a stop of a key not sounding changes nothing",
         frames([{"sound": "stop", "key": "k"}], [play(A)]), [(0.5, None, A, False)]),
        ("terminate ends every loop",
         frames([play(A, "k", 1)], [{"sound": "terminate"}], []), [(0.0, 0.5, A, True)]),
        ("another file under a sounding key replaces the first",
         frames([play(A, "k", 1)], [play(B, "k", 1)]), [(0.0, 0.5, A, True), (0.5, 1.0, B, True)]),
    ]

    def test_cases(self):
        for reason, trace, expected in self.CASES:
            with self.subTest(reason):
                self.assertEqual(spans(trace)[0], expected)


class Mix(unittest.TestCase):
    def test_a_loop_repeats_until_its_end_and_a_one_shot_plays_whole(self):
        sounds = {"tq4a.wav": array("h", [1, 2, 3]), "tq4b.wav": array("h", [10, 20])}
        total = mix([(0.0, 7 / 10, A, True), (0.9, None, B, False)], 1.0, sounds, 10)
        self.assertEqual(list(total), [1, 2, 3, 1, 2, 3, 1, 0, 0, 10, 20])


if __name__ == "__main__":
    unittest.main()

#!/usr/bin/env python3
"""The aural timeline keeps the changes only: a looping sound asked for on
every pass starts once and stops once, one-shot sounds each appear, and a
terminate ends whatever still sounds."""

import os
import sys
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from report import timeline  # noqa: E402

SINK = "sound\\MERTQ4\\TQ4SINKRT.wav"
CALLOUT = "sound\\MERTQ4\\TQ4500.wav"


def frame(n, *events, **tokens):
    return {"frame": n, "t": n / 18, "tokens": {k.strip("_"): v for k, v in tokens.items()},
            "events": list(events)}


def play(file, key="", loop=0):
    return {"sound": "play", "file": file, "key": key, "loop": loop}


def stop(key):
    return {"sound": "stop", "key": key}


def summary(frames):
    return [(e["frame"], e["what"], e["file"]) for e in timeline(frames, {})]


class Timeline(unittest.TestCase):
    def test_rows(self):
        rows = [
            ("a loop asked for on three passes, then stopped on two, starts and stops once",
             [frame(0, stop("actsink")), frame(1, play(SINK, "actsink", 1)), frame(2, play(SINK, "actsink", 1)),
              frame(3, play(SINK, "actsink", 1)), frame(4, stop("actsink")), frame(5, stop("actsink"))],
             [(1, "starts looping", "TQ4SINKRT.wav"), (4, "stops", "TQ4SINKRT.wav")]),
            ("each one-shot call is a sound heard, even on consecutive passes",
             [frame(0, play(CALLOUT)), frame(1, play(CALLOUT))],
             [(0, "plays once", "TQ4500.wav"), (1, "plays once", "TQ4500.wav")]),
            ("a terminate ends the loop, and the next request starts it again",
             [frame(0, play(SINK, "actsink", 1)), frame(1, {"sound": "terminate"}),
              frame(2, play(SINK, "actsink", 1)), frame(3, stop("actsink"))],
             [(0, "starts looping", "TQ4SINKRT.wav"), (1, "stops (all sounds ended)", "TQ4SINKRT.wav"),
              (2, "starts looping", "TQ4SINKRT.wav"), (3, "stops", "TQ4SINKRT.wav")]),
            ("a loop still sounding when the flight ends is listed as such",
             [frame(0, play(SINK, "actsink", 1)), frame(1)],
             [(0, "starts looping", "TQ4SINKRT.wav"), (None, "still sounding at the end", "TQ4SINKRT.wav")]),
        ]
        for reason, frames, expected in rows:
            with self.subTest(reason):
                self.assertEqual(summary(frames), expected)

    def test_cause_reads_the_frames_inputs(self):
        frames = [frame(0, play(CALLOUT), _614=152.3, _556=-4.0, _61=140)]
        self.assertEqual(timeline(frames, {})[0]["cause"], "radio height 152.3 m, descending (vertical speed -4.0)")


if __name__ == "__main__":
    unittest.main()

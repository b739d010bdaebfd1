#!/usr/bin/env python3
"""The hearing test's measures on made signals whose answer is known: a
sound's start found under other sounds and beside a rattle, a dropout found
where the sound sounds and the recording is dry, and not at the sound's own
pauses or edges, the silence after a stop timed on both sides of the
tolerance."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True
import hearing  # noqa: E402
from hearing import np  # noqa: E402

RATE = 8000
rng = np.random.default_rng(7)


def noise(seconds, level=0.2):
    return rng.standard_normal(int(seconds * RATE)) * level


def placed(length_s, *parts):
    """Silence of length_s with each (start s, samples) added in."""
    x = np.zeros(int(length_s * RATE))
    for start, samples in parts:
        at = int(round(start * RATE))
        x[at:at + len(samples)] += samples[:len(x) - at]
    return x


class Onsets(unittest.TestCase):
    def test_start_found_within_a_sample_window(self):
        clip = noise(0.4)
        cases = [  # (heard at s, due at s, other sound over it, reason)
            (1.000, 1.000, False, "on time"),
            (1.059, 1.000, False, "late, just inside 60 ms"),
            (0.939, 1.000, False, "early, just outside 60 ms"),
            (1.200, 1.000, True, "late, under a louder sound"),
        ]
        for heard_at, due, covered, reason in cases:
            with self.subTest(reason):
                parts = [(heard_at, clip)] + ([(0.8, noise(1.0, 0.4))] if covered else [])
                error, match = hearing.onset_error_s(placed(3, *parts), clip, due, RATE)
                self.assertAlmostEqual(error, heard_at - due, delta=1.5 / RATE)
                self.assertGreater(match, 0.3)

    def test_a_stream_opening_sound_heard_late_is_found_as_far_as_looked_for(self):
        clip = noise(0.4)
        recording = placed(3, (1.6, clip))  # due at 1.0, the device opened 0.6 s late
        error, match = hearing.onset_error_s(recording, clip, 1.0, RATE, late_s=0.7)
        self.assertAlmostEqual(error, 0.6, delta=1.5 / RATE)
        self.assertGreater(match, 0.9)
        self.assertLess(hearing.onset_error_s(recording, clip, 1.0, RATE)[1], 0.3)
        rattle = np.tile(np.concatenate([noise(0.03), np.zeros(int(0.0325 * RATE))]), 8)
        error = hearing.energy_onset_error_s(placed(3, (1.6, rattle)), rattle, 1.0, RATE, late_s=0.7)
        self.assertAlmostEqual(error, 0.6, delta=hearing.WINDOW_S)

    def test_alignment_by_first_onsets(self):
        clip = noise(0.5)
        mix = placed(3, (0.2, clip))
        for delay in (0.0, 0.3, 1.1):
            with self.subTest(delay=delay):
                offset, match = hearing.align(placed(4, (0.2 + delay, clip * 0.5)), mix, RATE)
                self.assertAlmostEqual(offset, delay, delta=1.5 / RATE)
                self.assertGreater(match, 0.99)

    def test_silence_cannot_be_aligned(self):
        self.assertEqual(hearing.align(np.zeros(RATE), placed(1, (0.1, noise(0.2))), RATE), (None, 0.0))

    def test_periodic_sounds_are_told_from_others(self):
        knock = np.concatenate([noise(0.03), np.zeros(int(0.0325 * RATE))])
        cases = [(np.tile(knock, 16), True, "a rattle of one knock"),
                 (np.sin(np.arange(RATE) * 2 * np.pi * 400 / RATE) * 0.3, True, "a steady tone"),
                 (noise(1.0), False, "noise")]
        for clip, expected, reason in cases:
            with self.subTest(reason):
                self.assertEqual(hearing.periodic(clip, RATE), expected)

    def test_energy_onset(self):
        rattle = np.tile(np.concatenate([noise(0.03), np.zeros(int(0.0325 * RATE))]), 8)
        for heard_at in (1.0, 1.05, 1.2):
            with self.subTest(heard_at=heard_at):
                error = hearing.energy_onset_error_s(placed(3, (heard_at, rattle)), rattle, 1.0, RATE)
                self.assertAlmostEqual(error, heard_at - 1.0, delta=hearing.WINDOW_S)
        self.assertIsNone(hearing.energy_onset_error_s(np.zeros(3 * RATE), rattle, 1.0, RATE))


class Dropouts(unittest.TestCase):
    def test_dropouts(self):
        word = noise(0.3)
        own = placed(3, (0.5, word), (1.0, word), (1.5, word))  # silence between the words
        hole = np.ones(len(own))
        hole[int(1.1 * RATE):int(1.13 * RATE)] = 0  # 30 ms of digital silence
        short = np.ones(len(own))
        short[int(1.1 * RATE):int(1.105 * RATE)] = 0  # 5 ms
        early = placed(3, (0.495, word), (0.995, word), (1.495, word))
        cases = [  # (recording, dropouts expected, reason)
            (own * 0.5, 0, "the sound at half level, its own pauses kept"),
            (early, 0, "heard 5 ms early: its edges are no dropouts"),
            (own * hole, 1, "30 ms of digital silence inside the second word"),
            (own * short, 0, "5 ms, shorter than a dropout"),
            (placed(3, (0.5, word), (1.5, word)), 1, "the second word missing"),
            (own * 1e-3, 0, "60 dB down but not dry: not a dropout"),
        ]
        for recording, expected, reason in cases:
            with self.subTest(reason):
                found = hearing.dropouts(recording, own, RATE, 0.5, 1.8)
                self.assertEqual(len(found), expected, found)
        found = hearing.dropouts(own * hole, own, RATE, 0.5, 1.8)
        self.assertAlmostEqual(found[0][0], 1.1, delta=hearing.DROPOUT_WINDOW_S)
        self.assertAlmostEqual(found[0][1], 0.03, delta=hearing.DROPOUT_WINDOW_S)


    def test_checked_as_far_as_heard(self):
        def span(start, end, loop):
            return dict(start=start, end=end, loop=loop)
        cases = [  # (sound, its onset error s, terminated, heard until s on its own clock, reason)
            (span(0, 1.5, False), 0.6, False, 1.5, "once, opening the stream 0.6 s late: to its last frame"),
            (span(2, 5, True), 0.02, False, 4.98, "a loop stopped: its stop heard at the common latency"),
            (span(2, 10, True), 0.0, False, 9.9, "a loop to the flight's end: as the runner ends"),
            (span(9.5, 11, False), 0.05, False, 9.85, "once, past the flight's end: as the runner ends"),
            (span(2, 5, True), 0.01, True, 4.96, "a loop terminated: less what the device held"),
        ]
        for s, error_s, terminated, until, reason in cases:
            with self.subTest(reason):
                self.assertAlmostEqual(hearing.heard_until_s(s, error_s, 0.03, 10.0, terminated, 0.1), until)


class Stops(unittest.TestCase):
    def test_silent_after(self):
        cases = [  # (sound goes on after the stop for s, expected answer s or None, reason)
            (0.0, 0.0, "silent at once"),
            (0.04, 0.04, "silent 40 ms after"),
            (0.08, 0.08, "silent 80 ms after"),
            (1.0, None, "sounds to the window's end"),
        ]
        for after, expected, reason in cases:
            with self.subTest(reason):
                recording = placed(3, (0.5, noise(0.5 + after)))
                found = hearing.silent_after_s(recording, RATE, 1.0, 1.35)
                if expected is None:
                    self.assertIsNone(found)
                else:
                    self.assertAlmostEqual(found, expected, delta=hearing.WINDOW_S)


class VoiceWindow(unittest.TestCase):
    def test_window_holds_the_sound_and_nothing_after_or_before_it(self):
        def span(start, end, length, loop=False):
            return dict(start=start, end=end, clip=np.zeros(int(length * RATE)), loop=loop)
        cases = [  # (the sound, the others, their onset errors s, expected window s, reason)
            (span(2, 4, 1), [], [0.0], (1.7, 3.3), "alone: the margin either side"),
            (span(2, 6, 1, loop=True), [], [0.0], (1.7, 3.0), "a loop: not into its next turn"),
            (span(2, 3, 1), [span(1, 1.9, 0.9), span(3.1, 4, 0.9)], [0.0, 0.0, 0.0], (1.9, 3.1),
             "neighbours: up to the end of one and the start of the next"),
            (span(2, 3, 1), [span(1.5, 2.5, 1)], [0.0, 0.0], (1.7, 3.3), "an overlapping sound stays in"),
            (span(2, 4, 1), [], [0.02], (1.72, 3.32), "on the sound's own clock"),
            (span(2, 6, 1, loop=True), [span(0, 1.8, 1.8)], [-0.005, 0.45], (1.695, 2.995),
             "a stream-opening sound heard late runs into it and stays in"),
        ]
        for s, others, errors_s, (begin, end), reason in cases:
            with self.subTest(reason):
                placed = hearing.as_heard([s] + others, errors_s)
                got = hearing.voice_window(placed[0], placed, RATE)
                self.assertEqual(got, (round(begin * RATE), round(end * RATE)))


if __name__ == "__main__":
    unittest.main()

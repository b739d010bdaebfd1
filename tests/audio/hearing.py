"""What a recording of a flight must show against the bench's mix of the same
trace: the measures behind the hearing test, on numpy arrays (mono, full
scale 1.0, one rate).

- align: the recording's offset from the mix, by their first onsets, refined
  by cross-correlating the mix's opening against the recording there;
- onset_error_s: when one sound begins in the recording against when the
  trace asks for it, by cross-correlating the sound's own opening near it;
- dropouts: the stretches of one sound, over its whole length (as far as it
  is heard: heard_until_s), where the sound itself sounds and the recording
  is digitally silent: the output ran dry under it;
- silent_after_s: how long the recording takes to fall silent after a stop;
- as_heard, voice_window: where a spoken sound is given to the recogniser,
  among the others as the recording holds them.
"""
import os
import sys

try:
    import numpy as np
    from scipy import signal
except ImportError:  # Debian's numpy and scipy live in the system interpreter
    SYSTEM_PYTHON = "/usr/bin/python3"
    if os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON) and os.path.exists(SYSTEM_PYTHON):
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON] + sys.argv)
    raise

# Below this a 10 ms window is silence: -60 dBFS, far under every sound of the
# set and far over the null sink's digital zero.
SILENCE_RMS = 1e-3
WINDOW_S = 0.010
ONSET_SEARCH_S = 0.25  # how far from its due time a sound's start is looked for
OPENING_S = 0.5  # how much of a sound's start is matched
ALIGN_SEARCH_S = 0.1


def window_rms(x, rate_hz, window_s=WINDOW_S):
    """RMS of consecutive windows of x."""
    n = max(1, int(round(window_s * rate_hz)))
    whole = len(x) // n
    if whole == 0:
        return np.zeros(0)
    return np.sqrt(np.mean(np.square(x[:whole * n].reshape(whole, n)), axis=1))


def first_onset_s(x, rate_hz):
    """The start of the first window that is not silence; None for a silent x."""
    loud = np.nonzero(window_rms(x, rate_hz) > SILENCE_RMS)[0]
    return None if len(loud) == 0 else loud[0] * WINDOW_S


def best_lag(pattern, x, lo, hi):
    """The lag in [lo, hi] (samples into x) where `pattern` matches x best by
    normalised cross-correlation, and the coefficient there (0 where x has no
    room for it)."""
    lo, hi = max(0, lo), min(hi, len(x) - len(pattern))
    if hi < lo or not len(pattern) or not np.any(pattern):
        return lo, 0.0
    stretch = x[lo:hi + len(pattern)]
    products = signal.correlate(stretch, pattern, mode="valid", method="fft")
    energy = np.concatenate(([0.0], np.cumsum(np.square(stretch))))
    window_energy = energy[len(pattern):] - energy[:-len(pattern)]
    norms = np.sqrt(np.maximum(window_energy, 1e-12) * np.sum(np.square(pattern)))
    scores = products / norms
    at = int(np.argmax(scores))
    return lo + at, float(scores[at])


def align(recording, mix, rate_hz):
    """Seconds the recording runs behind the mix, and the match's coefficient:
    their first onsets put side by side, then the mix's opening matched
    within ALIGN_SEARCH_S of it. None when either is silent."""
    heard, due = first_onset_s(recording, rate_hz), first_onset_s(mix, rate_hz)
    if heard is None or due is None:
        return None, 0.0
    start = int(due * rate_hz)
    opening = mix[start:start + int(OPENING_S * rate_hz)]
    coarse = int((heard - due) * rate_hz) + start
    search = int(ALIGN_SEARCH_S * rate_hz)
    lag, score = best_lag(opening, recording, coarse - search, coarse + search)
    return (lag - start) / rate_hz, score


def onset_error_s(recording, clip, due_s, rate_hz, search_s=ONSET_SEARCH_S, late_s=None):
    """Seconds the clip's start is heard after `due_s` (negative: before), and
    the match's coefficient; looked for from `search_s` before to `late_s`
    (by default `search_s`) after."""
    opening = clip[:int(OPENING_S * rate_hz)]
    due = int(round(due_s * rate_hz))
    lag, score = best_lag(opening, recording, due - int(search_s * rate_hz),
                          due + int((search_s if late_s is None else late_s) * rate_hz))
    return (lag - due) / rate_hz, score


def periodic(clip, rate_hz, search_s=ONSET_SEARCH_S, likeness=0.8):
    """Whether the clip's opening matches itself shifted by 20 ms to `search_s`
    (a rattle, a tone): then a match of it cannot tell one period from the next."""
    opening = clip[:int(OPENING_S * rate_hz)]
    _, score = best_lag(opening, np.concatenate([opening, np.zeros(int(search_s * rate_hz))]),
                        int(0.02 * rate_hz), int(search_s * rate_hz))
    return score >= likeness


def energy_onset_error_s(x, clip, due_s, rate_hz, search_s=ONSET_SEARCH_S, late_s=None):
    """Seconds the clip is first heard after `due_s` in x, where nothing else
    sounds: the first window from `due_s - search_s` to `due_s + late_s` (by
    default `search_s`) above a third of the clip's own opening RMS at x's
    level; None where there is none."""
    level = float(np.sqrt(np.mean(np.square(clip[:int(OPENING_S * rate_hz)])))) / 3
    first = max(0, int((due_s - search_s) / WINDOW_S))
    last = int((due_s + (search_s if late_s is None else late_s)) / WINDOW_S) + 1
    rms = window_rms(x, rate_hz)[first:last]
    loud = np.nonzero(rms > max(level, SILENCE_RMS))[0]
    return None if len(loud) == 0 else (first + loud[0]) * WINDOW_S - due_s


def gain(recording, mix):
    """The factor the recording's level stands at against the mix's (least squares)."""
    n = min(len(recording), len(mix))
    energy = float(np.dot(mix[:n], mix[:n]))
    return float(np.dot(recording[:n], mix[:n])) / energy if energy > 0 else 0.0


def heard_until_s(s, error_s, common_s, end_t, terminated, last_frame_s):
    """How far a sound (a dict of start, end in s, loop) is heard on its own
    clock, its start heard error_s off its frame: a loop's end is a stop,
    heard at the common latency, so error_s earlier there; a sound played once
    is heard to its last frame. Either is cut as the runner ends the flight
    (last_frame_s before end_t) and, where a terminate ended it, by the common
    latency, since a terminate silences at once what the device holds."""
    if s["loop"]:
        end = s["end"] - max(0.0, error_s) - (last_frame_s if s["end"] >= end_t - 1e-9 else 0.0)
    else:
        end = min(s["end"], end_t - max(0.0, error_s) - last_frame_s)
    return end - common_s if terminated else end


# A dropout: the output ran dry, and the sink played digital silence in the
# middle of a sound. The sound counts as sounding in a window where its own
# level there is at most SOUNDING_DB under its level over its whole length,
# throughout SOUNDING_AROUND_S either side, so that neither its own pauses
# and fades nor an error in placing it by some milliseconds looks like a
# dropout; the recording is dry below DRY_RMS (-80 dBFS, the null sink's
# digital zero with room to spare) for at least DROPOUT_MIN_S.
DROPOUT_WINDOW_S = 0.005
DROPOUT_MIN_S = 0.010
DRY_RMS = 1e-4
SOUNDING_DB = 30
SOUNDING_AROUND_S = 0.020


def dropouts(heard, own, rate_hz, start_s, end_s):
    """The stretches (start, length, in s) inside [start_s, end_s] where the
    sound sounds and the recording is dry: `own` is the sound alone where the
    trace puts it, and `heard` the recording shifted onto the same clock by
    the sound's own onset."""
    n = int(round(DROPOUT_WINDOW_S * rate_hz))
    mine, ours = window_rms(own, rate_hz, DROPOUT_WINDOW_S), window_rms(heard, rate_hz, DROPOUT_WINDOW_S)
    first, last = max(0, int(start_s / DROPOUT_WINDOW_S)), min(int(end_s / DROPOUT_WINDOW_S), len(mine), len(ours))
    if last <= first:
        return []
    span = mine[first:last]
    level = float(np.sqrt(np.mean(np.square(span)))) if np.any(span > SILENCE_RMS) else 0.0
    loud = mine > max(SILENCE_RMS, level * 10 ** (-SOUNDING_DB / 20))
    around = int(round(SOUNDING_AROUND_S / DROPOUT_WINDOW_S))
    # Sounding throughout the windows around: the least of them is loud.
    padded = np.concatenate([np.zeros(around, bool), loud, np.zeros(around, bool)])
    steady = np.ones(len(loud), bool)
    for shift in range(2 * around + 1):
        steady &= padded[shift:shift + len(loud)]
    dry = np.zeros(len(loud), bool)
    dry[first:last] = steady[first:last] & (ours[first:last] < DRY_RMS)
    found, i, shortest = [], first, int(round(DROPOUT_MIN_S / DROPOUT_WINDOW_S))
    while i < last:
        if dry[i]:
            j = i
            while j < last and dry[j]:
                j += 1
            if j - i >= shortest:
                found.append((i * n / rate_hz, (j - i) * n / rate_hz))
            i = j
        else:
            i += 1
    return found


def silent_after_s(recording, rate_hz, at_s, until_s):
    """Seconds after `at_s` from which the recording (on the mix's clock) stays
    silent up to `until_s`; None when it sounds in the last window before it."""
    rms = window_rms(recording, rate_hz)
    first, last = int(at_s / WINDOW_S), min(int(until_s / WINDOW_S), len(rms))
    if last <= first:
        return None
    loud = np.nonzero(rms[first:last] > SILENCE_RMS)[0]
    if len(loud) == 0:
        return 0.0
    if loud[-1] == last - first - 1:
        return None
    return (loud[-1] + 1) * WINDOW_S + first * WINDOW_S - at_s


def shifted(x, by_s, rate_hz, length):
    """x moved earlier by `by_s` seconds and cut or padded with silence to `length`."""
    skip = int(round(by_s * rate_hz))
    out = np.zeros(length)
    if skip >= 0:
        part = x[skip:skip + length]
        out[:len(part)] = part
    else:
        part = x[:max(0, length + skip)]
        out[-skip:-skip + len(part)] = part
    return out


VOICE_MARGIN_S = 0.3  # heard either side of a spoken sound, where nothing else sounds


def as_heard(spans, errors_s):
    """The sounds (dicts of start, end in s, clip, loop) each moved by its own
    onset error: where the recording holds them. A stream-opening sound heard
    late may run into the next one there, though not in the mix."""
    return [dict(s, start=s["start"] + e, end=s["end"] + e) for s, e in zip(spans, errors_s)]


def voice_window(s, spans, rate_hz):
    """The samples (from, to) where a spoken sound's first turn is heard: the
    sounds placed as heard (as_heard), VOICE_MARGIN_S either side for the
    alignment's sake, but not into a sound that ends before it or begins after
    it, nor into a loop's next turn, which the recogniser would hear as a
    phrase of its own. Sounds that overlap it stay in."""
    length_s = len(s["clip"]) / rate_hz
    begin = max([s["start"] - VOICE_MARGIN_S] + [o["end"] for o in spans if o["end"] <= s["start"]])
    end = min([s["start"] + length_s + (0.0 if s["loop"] else VOICE_MARGIN_S)]
              + [o["start"] for o in spans if o["start"] >= s["start"] + length_s])
    return max(0, int(round(begin * rate_hz))), int(round(end * rate_hz))

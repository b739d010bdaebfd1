"""Measures of a sound as a listener meets it, shared by the generator (which
sets levels by them) and the checks (which hold the sound set to them):
loudness by ITU-R BS.1770 through Debian's libebur128, the level of the
opening against the loudest moment, flat-topped samples, DC offset and the
share of energy below a frequency.

Samples are numpy float arrays, full scale 1.0, mono.
"""
import ctypes
import ctypes.util
import os
import sys

try:
    import numpy as np
except ImportError:  # Debian's numpy lives in the system interpreter; another python3 may come first on PATH
    SYSTEM_PYTHON = "/usr/bin/python3"
    if os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON) and os.path.exists(SYSTEM_PYTHON):
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON] + sys.argv)
    sys.exit("sound_measure: numpy not found: install Debian's python3-numpy package")

LIBRARY_PACKAGE = "libebur128-1"
MODE_M = 1 << 0  # momentary loudness: a 400 ms window
HOP_S = 0.010  # the momentary window is read every 10 ms
WINDOW_S = 0.010  # opening and loudest-moment windows
SILENCE_LUFS = -70.0  # the meter's floor: what silence reads


class _Meter:
    """The bindings of libebur128, loaded once."""

    def __init__(self):
        name = ctypes.util.find_library("ebur128") or "libebur128.so.1"
        try:
            lib = ctypes.CDLL(name)
        except OSError:
            sys.exit(f"sound_measure: libebur128 not found: install Debian's {LIBRARY_PACKAGE} package")
        lib.ebur128_init.restype = ctypes.c_void_p
        lib.ebur128_init.argtypes = [ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        lib.ebur128_destroy.argtypes = [ctypes.POINTER(ctypes.c_void_p)]
        lib.ebur128_add_frames_float.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_float), ctypes.c_size_t]
        lib.ebur128_loudness_momentary.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_double)]
        self.lib = lib


_meter = None


def peak_momentary_lufs(samples, rate_hz):
    """The loudest 400 ms of the sound, in LUFS (BS.1770 momentary loudness,
    read every 10 ms). The sound is heard from silence into silence, so a
    sound shorter than the window is measured whole."""
    global _meter
    _meter = _meter or _Meter()
    lib = _meter.lib
    pad = np.zeros(int(0.4 * rate_hz), dtype=np.float32)
    audio = np.concatenate([pad, np.asarray(samples, dtype=np.float32), pad])
    state = ctypes.c_void_p(lib.ebur128_init(1, rate_hz, MODE_M))
    if not state.value:
        raise RuntimeError("libebur128 could not start a meter")
    hop = int(HOP_S * rate_hz)
    loudest = SILENCE_LUFS
    out = ctypes.c_double()
    try:
        for start in range(0, len(audio), hop):
            chunk = np.ascontiguousarray(audio[start:start + hop])
            lib.ebur128_add_frames_float(state, chunk.ctypes.data_as(ctypes.POINTER(ctypes.c_float)), len(chunk))
            if lib.ebur128_loudness_momentary(state, ctypes.byref(out)) == 0 and np.isfinite(out.value):
                loudest = max(loudest, out.value)
    finally:
        lib.ebur128_destroy(ctypes.byref(state))
    return loudest


def window_levels_db(samples, rate_hz, window_s=WINDOW_S):
    """The RMS level of each whole window from the start, in dB of full scale."""
    n = int(window_s * rate_hz)
    whole = len(samples) // n
    if whole == 0:
        return np.array([-200.0])
    frames = np.asarray(samples[:whole * n], dtype=np.float64).reshape(whole, n)
    rms = np.sqrt(np.mean(frames * frames, axis=1))
    return 20 * np.log10(np.maximum(rms, 1e-10))


def opening_below_loudest_db(samples, rate_hz):
    """How far the first 10 ms lie below the loudest 10 ms, in dB."""
    levels = window_levels_db(samples, rate_hz)
    return float(levels.max() - levels[0])


def sliding_levels_db(samples, rate_hz):
    """The level of the 10 ms window starting at every 1 ms of the sound, in
    dB of full scale; returns (hop, width) in samples with the levels."""
    hop, width = rate_hz // 1000, int(WINDOW_S * rate_hz)
    x = np.asarray(samples, dtype=np.float64)
    starts = range(0, max(1, len(x) - width + 1), hop)
    return hop, width, np.array([10 * np.log10(np.mean(x[i:i + width] ** 2) + 1e-20) for i in starts])


def first_sound_ms(samples, rate_hz, within_db=30.0):
    """When the sound is first heard: the start, in ms, of the first 10 ms
    window within `within_db` of the loudest."""
    hop, _, levels = sliding_levels_db(samples, rate_hz)
    return float(np.argmax(levels >= levels.max() - within_db) * hop * 1000 / rate_hz)


def flat_topped(pcm16, run=2):
    """Samples in runs of `run` or more equal values at the sound's peak
    magnitude: the mark that a signal was clipped and scaled afterwards."""
    pcm = np.asarray(pcm16, dtype=np.int32)
    peak = int(np.abs(pcm).max()) if len(pcm) else 0
    if peak == 0:
        return 0
    at_peak = np.abs(pcm) == peak
    count, length = 0, 0
    for flag, value, previous in zip(at_peak, pcm, np.concatenate([[pcm[0] + 1], pcm[:-1]])):
        length = length + 1 if flag and value == previous else (1 if flag else 0)
        if length == run:
            count += run
        elif length > run:
            count += 1
    return count


def dc_offset(samples):
    """The mean of the samples, as a fraction of full scale."""
    return float(abs(np.mean(samples))) if len(samples) else 0.0


def energy_below(samples, rate_hz, hz):
    """The share of the sound's energy below `hz`."""
    spectrum = np.abs(np.fft.rfft(np.asarray(samples, dtype=np.float64))) ** 2
    freqs = np.fft.rfftfreq(len(samples), 1.0 / rate_hz)
    total = spectrum.sum()
    return float(spectrum[freqs < hz].sum() / total) if total > 0 else 0.0

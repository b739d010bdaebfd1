#!/usr/bin/env python3
"""Writes one fuzz seed per bench scenario (fuzz/corpus/seed-<name>): the
scenario's panel, sound library and host component, then its flight as host
events in the encoding of fuzz/event_decoder.h, one sample every few frames
so that a seed stays under max_bytes.

Usage: fuzz/seeds_from_scenarios.py OUT_DIR SCENARIO.json...
"""
import json
import math
import pathlib
import struct
import sys

GAUGES = ["MERTQ4ComLnk", "MERTQ4GPWS", "MERTQ4SGN", "MERTQ4VSI", "MERTQ4ASPD",
          "MERTQ4_E1N1", "MERTQ4_E2N1", "MERTQ4_E1N2", "MERTQ4_E2N2", "MERTQ4_EPR1",
          "MERTQ4_EPR2", "MERTQ4_EPRKNB1", "MERTQ4_EPRKNB2", "MERTQ4ALTALRT",
          "MERTQ4RADALT", "MERTQ4ALTALRTKNB"]
TOKENS = [41, 60, 61, 65, 73, 74, 116, 128, 163, 323, 324, 327, 331, 333, 334, 556, 614,
          624, 625, 643, 644, 783, 907]
VARIABLES = ["XMLSmoke", "XMLBelts", "XMLBus", "XMLClick1", "XMLClick2", "XMLClick3",
             "XMLRotar", "XMLRotor", "XMLAltclk", "XMLOvspd", "XMLStalltst", "XMLFirewarn"]
(PLACE, REMOVE, SERVICE, FRAME, FRAMES, TOKEN, NAMED, CLICK, SOUND_LIBRARY, HOLD_LIBRARY,
 HOST_COMPONENT, STATUS_BYTES) = range(12)
RAW_DOUBLE = 19  # a value selector that reads two ignored bytes, then a raw double
MAX_BYTES = 4096


def number(v):
    return {"nan": math.nan, "inf": math.inf, "-inf": -math.inf}.get(v, v) \
        if isinstance(v, str) else float(v)


def value(v):
    v = number(v)
    if math.isnan(v):
        return bytes([0])
    if math.isinf(v):
        return bytes([1 if v > 0 else 2])
    return bytes([RAW_DOUBLE, 0, 0]) + struct.pack("<d", v)


def track(track_value):
    """The token's value at time t, by the bench's rules."""
    if isinstance(track_value, dict):
        keys = [(k[0], number(k[1])) for k in track_value["step"]]
        def at(t):
            current = 0.0
            for kt, kv in keys:
                if kt <= t:
                    current = kv
            return current
        return at
    if isinstance(track_value, list):
        keys = [(k[0], number(k[1])) for k in track_value]
        def at(t):
            if t <= keys[0][0]:
                return keys[0][1]
            for (t0, v0), (t1, v1) in zip(keys, keys[1:]):
                if t < t1:
                    return v0 + (v1 - v0) * (t - t0) / (t1 - t0)
            return keys[-1][1]
        return at
    return lambda t, c=number(track_value): c


def seed(scenario):
    rate = scenario.get("frame_rate", 18)
    frames = int(round(scenario.get("duration_s", 0) * rate))
    out = bytearray()
    mode = {"full": 0, "absent": 1, "play_only": 2}[scenario.get("sound_library", "full")]
    out += bytes([SOUND_LIBRARY, mode])
    component = scenario.get("host_component", {"2848": 1, "2852": 1, "3400": 0})
    if component is None:
        out += bytes([HOST_COMPONENT, 0])
    else:
        out += bytes([STATUS_BYTES, component["2848"], component["2852"], component["3400"]])
    for name in scenario.get("panel", GAUGES):
        out += bytes([PLACE, GAUGES.index(name)])
    tracks = {TOKENS.index(int(k)): track(v) for k, v in scenario.get("tokens", {}).items()}
    events = []  # (frame, bytes)
    for t, name, v in scenario.get("variables", []):
        events.append((math.ceil(t * rate), bytes([NAMED, VARIABLES.index(name)]) + value(v)))
    for c in scenario.get("clicks", []):
        flags = 1 if c.get("button") == "right" else 0
        repeats = min(c.get("held_frames", 1) - 1, 15)
        events.append((math.ceil(c["t"] * rate),
                       bytes([CLICK, GAUGES.index(c["gauge"])]) +
                       struct.pack("<hh", c["x"], c["y"]) + bytes([flags, repeats])))
    for e in scenario.get("panel_events", []):
        action, name = (PLACE, e["place"]) if "place" in e else (REMOVE, e["remove"])
        events.append((math.ceil(e["t"] * rate), bytes([action, GAUGES.index(name)])))
    events.sort(key=lambda e: e[0])
    per_sample = max(1, (len(tracks) * 12 * frames) // MAX_BYTES + 1)
    per_sample = min(per_sample, 32)
    last = {}
    frame = 0
    while frame < frames:
        for index, at in tracks.items():
            v = at(frame / rate)
            if last.get(index) != v:
                out += bytes([TOKEN, index]) + value(v)
                last[index] = v
        step = min(per_sample, frames - frame)
        due = [e for e in events if frame <= e[0] < frame + step]
        for _, b in due:
            out += b
        out += bytes([FRAMES, step - 1])
        frame += step
    return bytes(out)


def main():
    out_dir = pathlib.Path(sys.argv[1])
    out_dir.mkdir(parents=True, exist_ok=True)
    for path in sys.argv[2:]:
        scenario = json.loads(pathlib.Path(path).read_text())
        (out_dir / f"seed-{pathlib.Path(path).stem}").write_bytes(seed(scenario))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes DIR/report.html for a bench run: the aural timeline (every sound
started and stopped, when, and the inputs that caused it), plots of the key
inputs against time with the sound starts marked (DIR/plots/*.png), and the
panel pictures of the snapshots that mertq4-render drew.

usage: report.py DIR

Reads DIR/run.json and DIR/trace.jsonl. The page is static and opens from
disk with no network. Files are written under temporary names and renamed
into place at the end. Exit 0 when done, 2 when DIR is not a readable run.
"""

import json
import math
import os
import sys


def _system_python_fallback():
    # Debian's matplotlib and jinja2 live in the system interpreter; another
    # python3 first on PATH may not see them.
    system = "/usr/bin/python3"
    if os.path.realpath(sys.executable) != os.path.realpath(system) and os.path.exists(system):
        os.execv(system, [system] + sys.argv)


try:
    import jinja2
    import matplotlib
except ImportError:
    _system_python_fallback()
    raise

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (after the backend is chosen)

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from sounds import causes, context, describe, file_name, number, shown  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))

# (plot file, title, unit, token ids): the inputs plotted when the scenario sets them.
PLOTS = [
    ("radio_height", "Radio height (614)", "m", ["614"]),
    ("vertical_speed", "Vertical speed for the warnings (556)", "host units", ["556"]),
    ("airspeed", "Indicated airspeed (61)", "knots", ["61"]),
    ("n1", "N1, engines 1 and 2 (624, 643)", "percent", ["624", "643"]),
    ("n2", "N2, engines 1 and 2 (625, 644)", "percent", ["625", "644"]),
    ("flaps", "Flap position (907)", "host units", ["907"]),
    ("gear", "Gear positions (334, 333)", "0 up .. 16383 down", ["334", "333"]),
]

# Same pictures for the same run: no dates or random ids in the files.
matplotlib.rcParams["svg.hashsalt"] = "mertq4-bench"
PNG_METADATA = {"Software": None}


class BadRun(Exception):
    pass


def read_run(run_dir):
    try:
        with open(os.path.join(run_dir, "run.json"), encoding="utf-8") as f:
            run = json.load(f)
    except (OSError, ValueError) as e:
        raise BadRun(f"{run_dir}/run.json: {e}")
    frames, snapshots = [], {}
    path = os.path.join(run_dir, "trace.jsonl")
    try:
        with open(path, encoding="utf-8") as f:
            for n, text in enumerate(f, 1):
                try:
                    line = json.loads(text)
                except ValueError as e:
                    raise BadRun(f"{path}:{n}: {e}")
                if "snapshot" in line:
                    snapshots[line["snapshot"]] = line
                else:
                    frames.append(line)
    except OSError as e:
        raise BadRun(f"{path}: {e}")
    return run, frames, snapshots


def variable_writes(run):
    """The scenario's writes of named variables, by name: [(frame, t, value)].

    Read from the scenario file that run.json names, when it can be read from
    here; none otherwise. A write at t happens at the first frame at or after t.
    """
    try:
        with open(run.get("scenario", ""), encoding="utf-8") as f:
            scenario = json.load(f)
        rate = float(run.get("frame_rate", 18))
        writes = {}
        for t, name, value in scenario.get("variables", []):
            frame = math.ceil(float(t) * rate - 1e-9)
            writes.setdefault(name, []).append((frame, float(t), value))
        return writes
    except (OSError, ValueError, TypeError):
        return {}


def timeline(frames, writes):
    """Every sound started, played once or stopped, in order.

    Looping sounds are asked for on every pass while their condition holds and
    stopped on every pass while it does not; the timeline keeps only the
    changes: a start when a key begins to sound, a stop when it ends.
    """
    entries, sounding = [], {}  # key -> file of a looping sound now sounding
    last_t = 0.0
    for line in frames:
        t = number(line.get("t")) or 0.0
        last_t = t
        tokens = line.get("tokens", {})
        clicks = []
        for event in line.get("events", []):
            if "click" in event:
                clicks.append(event)
            kind = event.get("sound")
            if kind is None:
                continue
            base = {"frame": line.get("frame"), "t": t}
            if kind == "play":
                path, key, loop = event.get("file", ""), event.get("key", ""), event.get("loop", 0)
                if loop and sounding.get(key) == path:
                    continue
                if loop:
                    sounding[key] = path
                entries.append(dict(base, what="starts looping" if loop else "plays once",
                                    file=file_name(path), description=describe(path), key=key,
                                    cause=context(line.get("frame", 0), tokens, causes(path), clicks, writes), start=True))
            elif kind == "stop":
                key = event.get("key", "")
                if key in sounding:
                    path = sounding.pop(key)
                    entries.append(dict(base, what="stops", file=file_name(path), description=describe(path),
                                        key=key, cause=context(line.get("frame", 0), tokens, causes(path), clicks, writes), start=False))
            elif kind == "terminate":
                for key, path in sorted(sounding.items()):
                    entries.append(dict(base, what="stops (all sounds ended)", file=file_name(path),
                                        description=describe(path), key=key, cause="", start=False))
                sounding.clear()
    for key, path in sorted(sounding.items()):
        entries.append({"frame": None, "t": last_t, "what": "still sounding at the end", "file": file_name(path),
                        "description": describe(path), "key": key, "cause": "", "start": False})
    return entries


def plot(run_dir, frames, entries, name, title, unit, token_ids):
    """One input plot with the sound starts marked; the file's name in DIR."""
    times = [number(line.get("t")) or 0.0 for line in frames]
    fig, ax = plt.subplots(figsize=(9, 2.8), dpi=100)
    for token in token_ids:
        values = []
        for line in frames:
            v = number(line.get("tokens", {}).get(token))
            values.append(v if v is not None and math.isfinite(v) else float("nan"))
        ax.plot(times, values, label=f"token {token}", linewidth=1.4)
    starts = [e for e in entries if e["start"]]
    for e in starts:
        ax.axvline(e["t"], color="tab:red", alpha=0.35, linewidth=1)
    for e in starts[:40]:  # names of the first sounds; the timeline lists them all
        ax.annotate(e["description"].split(" (")[0], (e["t"], 1), xycoords=("data", "axes fraction"),
                    rotation=90, va="top", ha="right", fontsize=7, color="tab:red")
    ax.set_xlim(0, max(times[-1] if times else 0, 1e-9))
    ax.set_title(title, fontsize=10)
    ax.set_xlabel("t (s)")
    ax.set_ylabel(unit)
    ax.grid(alpha=0.3)
    if len(token_ids) > 1:
        ax.legend(fontsize=8, loc="lower right")
    fig.tight_layout()
    relative = f"plots/{name}.png"
    temporary = os.path.join(run_dir, relative + ".part")
    fig.savefig(temporary, format="png", metadata=PNG_METADATA)
    plt.close(fig)
    return relative, temporary


def read_wave(path):
    """Samples of a 16-bit mono WAV as floats (full scale 1.0) and its rate."""
    import wave
    from array import array
    with wave.open(path, "rb") as w:
        if (w.getnchannels(), w.getsampwidth()) != (1, 2):
            raise BadRun(f"{path}: not 16-bit mono")
        pcm = array("h", w.readframes(w.getnframes()))
        rate = w.getframerate()
    if sys.byteorder != "little":
        pcm.byteswap()
    return [v / 32768.0 for v in pcm], rate


def envelope(samples, rate, offset_s, end_s, points=3000):
    """(times, lows, highs) of the samples in `points` columns over [0, end_s],
    sample i at i / rate - offset_s: a waveform as a person sees it."""
    step = end_s / points
    times, lows, highs = [], [], []
    for column in range(points):
        first = max(0, int((column * step + offset_s) * rate))
        last = min(len(samples), int(((column + 1) * step + offset_s) * rate))
        chunk = samples[first:last] or [0.0]
        times.append(column * step)
        lows.append(min(chunk))
        highs.append(max(chunk))
    return times, lows, highs


def waveforms(run_dir, end_s):
    """The recording of the flight drawn above the bench's mix of its trace,
    on the mix's clock (the recording moved by the offset the hearing test
    measured, in DIR/hearing.json); the file's name in DIR, or None."""
    recording = os.path.join(run_dir, "recording.wav")
    mix = os.path.join(run_dir, "flight.wav")
    if not (os.path.exists(recording) and os.path.exists(mix)):
        return None
    try:
        with open(os.path.join(run_dir, "hearing.json"), encoding="utf-8") as f:
            offset_s = float(json.load(f).get("offset_s") or 0.0)
    except (OSError, ValueError, TypeError):
        offset_s = 0.0
    fig, axes = plt.subplots(2, 1, figsize=(9, 3.6), dpi=100, sharex=True)
    for ax, (title, path, shift) in zip(axes, [("Recorded from the sound server", recording, offset_s),
                                               ("The bench's mix of the trace", mix, 0.0)]):
        samples, rate = read_wave(path)
        times, lows, highs = envelope(samples, rate, shift, max(end_s, 1e-3))
        ax.fill_between(times, lows, highs, linewidth=0.4, color="tab:blue")
        ax.set_ylim(-1, 1)
        ax.set_title(title, fontsize=9)
        ax.grid(alpha=0.3)
    axes[-1].set_xlabel("t (s)")
    axes[-1].set_xlim(0, max(end_s, 1e-3))
    fig.tight_layout()
    relative = "plots/waveforms.png"
    temporary = os.path.join(run_dir, relative + ".part")
    fig.savefig(temporary, format="png", metadata=PNG_METADATA)
    plt.close(fig)
    return relative, temporary


def main(argv):
    if len(argv) != 2:
        print("usage: report.py DIR", file=sys.stderr)
        return 2
    run_dir = argv[1]
    try:
        run, frames, snapshot_lines = read_run(run_dir)
    except BadRun as e:
        print(f"report.py: {e}", file=sys.stderr)
        return 2

    pending = []
    try:
        return write_report(run_dir, run, frames, snapshot_lines, pending)
    finally:
        for temporary, _ in pending:
            if os.path.exists(temporary):
                os.remove(temporary)


def write_report(run_dir, run, frames, snapshot_lines, pending):
    """Writes the plots and the page under temporary names listed in
    `pending`, then renames them into place."""
    entries = timeline(frames, variable_writes(run))
    set_tokens = {token for line in frames for token in line.get("tokens", {})}
    os.makedirs(os.path.join(run_dir, "plots"), exist_ok=True)
    plots = []
    for name, title, unit, token_ids in PLOTS:
        present = [t for t in token_ids if t in set_tokens]
        if present:
            relative, temporary = plot(run_dir, frames, entries, name, title, unit, present)
            pending.append((temporary, os.path.join(run_dir, relative)))
            plots.append({"file": relative, "title": title})

    end_s = (number(frames[-1].get("t")) or 0.0) if frames else 0.0
    drawn = waveforms(run_dir, end_s + 1.0)
    waves = None
    if drawn:
        waves, temporary = drawn
        pending.append((temporary, os.path.join(run_dir, waves)))

    snapshots = []
    for s in run.get("snapshots", []):
        picture = s.get("file", "")
        line = snapshot_lines.get(s.get("label"), {})
        snapshots.append({
            "label": s.get("label"), "frame": s.get("frame"), "t": shown(s.get("t"), 2),
            "file": picture, "drawn": os.path.exists(os.path.join(run_dir, picture)),
            "gauges": sorted(line.get("gauges", {})),
        })

    sounds_heard = sorted({(e["file"], e["description"]) for e in entries})
    env = jinja2.Environment(loader=jinja2.FileSystemLoader(HERE), autoescape=True,
                             undefined=jinja2.StrictUndefined)
    html = env.get_template("report.html.j2").render(
        run=run, frames=len(frames), entries=entries, plots=plots, snapshots=snapshots,
        sounds_heard=sounds_heard, shown=shown, waveforms=waves,
        flight_audio=os.path.exists(os.path.join(run_dir, "flight.wav")))
    report = os.path.join(run_dir, "report.html")
    with open(report + ".part", "w", encoding="utf-8") as f:
        f.write(html)
    pending.append((report + ".part", report))
    for temporary, final in pending:
        os.replace(temporary, final)
    pending.clear()
    print(f"report.py: {report}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

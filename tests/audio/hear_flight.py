#!/usr/bin/env python3
"""Hears flights end to end through the real sound library: each scenario is
flown in real time by each Windows runner under Wine (the shipped 32-bit and
64-bit MERTQ4.gau and GaugeSound.dll) and by the native runner (its
libgaugesound), each into a null sink of a private PulseAudio server whose
monitor is recorded, and each recording is compared with the bench's mix of
the same trace.

usage: hear_flight.py [--native BUILD] [--windows BUILD] [--no-windows]
                      [--windows64 BUILD] [--no-windows64] [--out DIR]
                      [--junit FILE] SCENARIO.json...
  Runs go to DIR/<scenario>/<runner> (default BUILD_NATIVE/hearing-runs): the
  trace, clock.jsonl, recording.wav, flight.wav (the mix), hearing.json and
  the report with both waveforms. --no-windows and --no-windows64 leave that
  Windows runner out, as does a machine that cannot start its Wine: its
  flights count as skipped.

Checks per flight, after the recording is aligned with the mix by their first
onsets: every sound begins within ONSET_TOLERANCE_S of its frame's time, on
the latency the later sounds keep (a sound that opens the output stream, the
first of a flight or the first after a terminate, may be heard up to
DEVICE_START_TOLERANCE_S later, while Wine starts its audio stream; its delay
is printed); each
spoken sound is heard by the recogniser, constrained to the set's phrases, as
its own phrase (as the mix there is heard where other sounds overlap it); no
loop falls silent inside its span where the mix sounds; after a stop or
terminate with nothing else due, silence within SILENCE_TOLERANCE_S. Prints
the figures per sound; exit status 0 when every check passes, 1 when one
fails, 2 on bad usage.
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import time
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(ROOT, "bench", "audio"))
sys.path.insert(0, os.path.join(ROOT, "bench"))
sys.path.insert(0, os.path.join(ROOT, "resources", "sounds"))
sys.dont_write_bytecode = True
import hearing  # noqa: E402  (re-runs under Debian's python3 for numpy)
from hearing import np  # noqa: E402
from scipy import signal  # noqa: E402
import mix_flight  # noqa: E402
from fly_scenarios import write_junit  # noqa: E402
import windows_runners  # noqa: E402
import sound_server  # noqa: E402
import check_voice  # noqa: E402
from sound_table import SPOKEN, heard  # noqa: E402

RATE_HZ = sound_server.RATE_HZ
ONSET_TOLERANCE_S = 0.060
# The first sound of a process waits for the output device to start as well.
DEVICE_START_TOLERANCE_S = 0.5
SILENCE_TOLERANCE_S = 0.050
QUIET_AFTER_STOP_S = 0.35  # how long after a stop the recording is watched
# A sound's opening found at all: its normalised correlation at least this
# (three sounds starting together, one device start over them, match 0.5).
MIN_MATCH = 0.4
TAIL_S = 1.5  # recorded after the runner ends, for the last sound's end
FLIGHT_TIMEOUT_S = 240
LAST_FRAME_S = 0.1  # a loop sounding to the flight's end stops as the runner ends
SINKS = {"windows": "mertq4", "windows64": "mertq4_64", "native": "mertq4_native"}
RUNNERS = ["windows", "windows64", "native"]


class Check:
    def __init__(self, name):
        self.name, self.failure, self.skipped, self.seconds = name, None, None, 0.0
        self.started = time.monotonic()

    def fail(self, problem):
        self.failure = problem if self.failure is None else self.failure + "\n" + problem

    def done(self):
        self.seconds = time.monotonic() - self.started
        verdict = "FAIL" if self.failure is not None else "skip" if self.skipped else "ok  "
        print(f"{verdict} {self.name} ({self.seconds:.1f} s)", flush=True)
        for text in (self.skipped, self.failure):
            if text:
                print("     " + text.replace("\n", "\n     "), flush=True)
        return self


def read_mono(path):
    with wave.open(path, "rb") as w:
        if (w.getnchannels(), w.getsampwidth(), w.getframerate()) != (1, 2, RATE_HZ):
            raise ValueError(f"{path}: not 16-bit mono at {RATE_HZ} Hz")
        return np.frombuffer(w.readframes(w.getnframes()), dtype="<i2") / 32768.0


def write_mono(path, x):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE_HZ)
        w.writeframes((np.clip(x, -1, 1) * 32767).astype("<i2").tobytes())


def sound_set(folder):
    """Every sound of the set at the recording's rate, by lower-case file name."""
    pcm, rate = mix_flight.load_sounds(folder)
    return {name: signal.resample_poly(np.asarray(x, dtype=float) / 32768.0, RATE_HZ, rate)
            for name, x in pcm.items()}


def trace_spans(run_dir, sounds):
    """Every sound heard in the run: dicts of start, end (s), file name, loop, clip."""
    with open(os.path.join(run_dir, "trace.jsonl"), encoding="utf-8") as f:
        frames = [json.loads(line) for line in f if line.strip() and '"snapshot"' not in line]
    played, end_t = mix_flight.spans(frames)
    spans = []
    for start, end, path, looping in played:
        clip = sounds[mix_flight.file_key(path)]
        spans.append(dict(start=start, end=end if looping else start + len(clip) / RATE_HZ,
                          file=mix_flight.file_key(path), loop=looping, clip=clip))
    stops = sorted({s["end"] for s in spans if s["loop"] and s["end"] < end_t - 1e-9})
    terminates = sorted({float(line["t"]) for line in frames
                         if any(e.get("sound") == "terminate" for e in line.get("events", []))})
    return spans, stops, terminates, end_t


def mix_of(spans, end_t, leaving_out=None):
    """The bench's mix of the spans at the recording's rate, unnormalised;
    without the span `leaving_out`, if given."""
    length = int(round(max([end_t] + [s["end"] for s in spans]) * RATE_HZ)) + 1
    total = np.zeros(length)
    for s in spans:
        if s is leaving_out:
            continue
        first, last = int(round(s["start"] * RATE_HZ)), min(int(round(s["end"] * RATE_HZ)), length)
        if last > first:
            total[first:last] += np.resize(s["clip"], last - first)
    return total


def runner_command(args, which, scenario, out):
    """The runner's command line and the build folder it runs in."""
    common = [os.path.abspath(scenario), "--out", out, "--real-time"]
    if which == "native":
        return ([os.path.join(args.native, "bench", "mertq4-bench")] + common
                + ["--sound-library", os.path.join(args.native, "gaugesound")], args.native)
    build = getattr(args, which)
    return (windows_runners.command(which, build) + common
            + ["--sound-library", os.path.join(build, "bin", "gaugesound")], build)


def library_missing(args, which):
    path = (os.path.join(args.native, "gaugesound", "libgaugesound.so") if which == "native"
            else os.path.join(getattr(args, which), "bin", "gaugesound", "GaugeSound.dll"))
    return None if os.path.exists(path) else f"{path} is not built"


def fly(server, args, which, scenario, run_dir):
    """Flies one scenario in real time while its sink is recorded; the failure or None."""
    out = os.path.join(run_dir, "run")
    command, cwd = runner_command(args, which, scenario, out)
    env = server.client_env(SINKS[which])
    if which != "native":
        env = windows_runners.environment(cwd, env)
    recording = os.path.join(run_dir, "recording.wav")
    with open(os.path.join(run_dir, "runner.stderr"), "w+", encoding="utf-8") as err:
        with server.recording(SINKS[which], recording) as started:
            process = server.start(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=err)
            try:
                process.wait(timeout=FLIGHT_TIMEOUT_S)
            except subprocess.TimeoutExpired:
                sound_server._end_group(process)
                return f"the {which} runner did not end within {FLIGHT_TIMEOUT_S} s"
            time.sleep(TAIL_S)
        err.seek(0)
        message = err.read().strip()
    if process.returncode != 0:
        return f"the {which} runner failed (exit {process.returncode}): {message}"
    with open(os.path.join(run_dir, "recording.json"), "w", encoding="utf-8") as f:
        json.dump({"parec_started_unix_s": started}, f)
    return None


def onset_lag(aligned, level, spans, s, end_t):
    """Seconds span s is heard after its due time in the aligned recording, and
    the match's coefficient (1 where found by its energy). It is looked for
    in what is left of the recording once every other sound of the mix is
    taken out, so that sounds over it do not draw the match away; a periodic
    sound (a rattle, a tone) by where its energy rises there."""
    alone_in = aligned - level * mix_of(spans, end_t, leaving_out=s)
    if hearing.periodic(s["clip"], RATE_HZ):
        lag = hearing.energy_onset_error_s(alone_in / level, s["clip"], s["start"], RATE_HZ)
        return (0.0, 0.0) if lag is None else (lag, 1.0)
    return hearing.onset_error_s(alone_in, s["clip"], s["start"], RATE_HZ)


def recognise(x, scratch, grammar):
    path = os.path.join(scratch, "segment.wav")
    write_mono(path, x)
    return check_voice.recognise(path, scratch, grammar)


def spoken_of(file):
    return next((s for s in SPOKEN if s["file"].lower() + ".wav" == file), None)


def judge(which, name, run_dir, sounds, scratch, grammar):
    """The four checks of one recorded flight, with the figures printed."""
    label = f"{which} {name}"
    run = os.path.join(run_dir, "run")
    spans, stops, terminates, end_t = trace_spans(run, sounds)
    mix = mix_of(spans, end_t)
    recording = read_mono(os.path.join(run_dir, "recording.wav"))
    offset_s, score = hearing.align(recording, mix, RATE_HZ)
    on_time, voiced = Check(f"{label}: every sound begins on time"), Check(f"{label}: every callout heard")
    loops, quiet = Check(f"{label}: no loop has a gap"), Check(f"{label}: silent after every stop")
    if offset_s is None or score < MIN_MATCH:
        for c in (on_time, voiced, loops, quiet):
            c.fail("the recording is silent" if offset_s is None else
                   f"the recording does not match the mix at its first sound (coefficient {score:.2f})")
        return [c.done() for c in (on_time, voiced, loops, quiet)], {}
    aligned = hearing.shifted(recording, offset_s, RATE_HZ, len(mix))
    level = hearing.gain(aligned, mix) or 1.0
    lags = [onset_lag(aligned, level, spans, s, end_t) for s in spans]
    # The first sounds of the process open the output device, which Wine's
    # audio stack takes a while to start; every later sound keeps to one
    # latency, the median of theirs, and is measured against it.
    # Terminate closes the stream, and the next sound opens it again.
    openings = {spans[0]["start"]} | {min([o["start"] for o in spans if o["start"] >= t] or [t]) for t in terminates}
    # A periodic sound's onset by its energy is only good to a period, so the
    # latency comes from the sounds matched by their own waveform.
    later = [lag for s, (lag, match) in zip(spans, lags)
             if s["start"] not in openings and match >= MIN_MATCH
             and not hearing.periodic(s["clip"], RATE_HZ)]
    common_s = float(np.median(later)) if later else 0.0
    aligned = hearing.shifted(recording, offset_s + common_s, RATE_HZ, len(mix))
    latency = call_to_heard_s(run_dir, offset_s + common_s)
    print(f"{label}: recording {offset_s:.3f} s behind the mix by first onsets (match {score:.2f}); "
          f"later sounds {common_s * 1000:+.0f} ms off that"
          + (f"; call to heard {latency * 1000:.0f} ms" if latency is not None else ""))
    print(f"  {'t (s)':>7} {'sound':16} {'mode':5} {'onset':>8} {'match':>5}  heard")
    figures = []
    for s, (lag, match) in zip(spans, lags):
        error_s = lag - common_s
        row = dict(t=s["start"], file=s["file"], loop=s["loop"], onset_error_ms=error_s * 1000, match=match)
        opens = s["start"] in openings
        if match < MIN_MATCH:
            on_time.fail(f"{s['file']} at {s['start']:.2f} s: not found within "
                         f"{hearing.ONSET_SEARCH_S * 1000:.0f} ms (best match {match:.2f})")
        elif opens and not -ONSET_TOLERANCE_S <= error_s <= DEVICE_START_TOLERANCE_S:
            on_time.fail(f"{s['file']} at {s['start']:.2f} s, opening the device, begins "
                         f"{error_s * 1000:+.0f} ms off the later sounds' latency")
        elif not opens and abs(error_s) > ONSET_TOLERANCE_S:
            on_time.fail(f"{s['file']} at {s['start']:.2f} s begins {error_s * 1000:+.0f} ms off its frame")
        spoken = spoken_of(s["file"])
        if spoken is not None:
            start = max(0, int((s["start"] + error_s - 0.3) * RATE_HZ))
            stop = int((s["start"] + error_s + len(s["clip"]) / RATE_HZ + 0.3) * RATE_HZ)
            alone = not any(o is not s and o["start"] < s["end"] and o["end"] > s["start"] for o in spans)
            expected = heard(spoken) if alone else recognise(mix[start:stop], scratch, grammar)
            row.update(heard=recognise(aligned[start:stop], scratch, grammar), expected=expected, alone=alone)
            if row["heard"] != expected:
                voiced.fail(f"{s['file']} at {s['start']:.2f} s: heard \"{row['heard']}\", not \"{expected}\""
                            + ("" if alone else " (as the mix is heard there, with other sounds over it)"))
        if s["loop"]:
            # On the loop's own clock: its start as heard carries its own error.
            own = hearing.shifted(aligned, error_s, RATE_HZ, len(mix))
            # Its end is heard at the common latency, so earlier on its own clock;
            # one lasting to the flight's end ends with the runner, at its last frame.
            end = min(s["end"], s["end"] - error_s) - (LAST_FRAME_S if s["end"] >= end_t - 1e-9 else 0.0)
            found = hearing.gaps(own, mix, RATE_HZ, s["start"], end)
            row["gaps"] = len(found)
            if found:
                loops.fail(f"{s['file']} looping {s['start']:.2f}..{s['end']:.2f} s: silent at "
                           + ", ".join(f"{t:.2f}" for t in found[:5]) + f" s ({len(found)} windows)")
        figures.append(row)
        heard_text = (f"\"{row['heard']}\"" + ("" if row.get("alone") else f" (mix: \"{row['expected']}\")")
                      if "heard" in row else "")
        print(f"  {s['start']:7.2f} {s['file'][:-4]:16} {'loop' if s['loop'] else 'once':5} "
              f"{row['onset_error_ms']:+6.1f}ms {match:5.2f}  {heard_text}"
              + (f" gaps {row['gaps']}" if s["loop"] else ""))
    checked_stops = []
    for t in stops:
        until = min([t + QUIET_AFTER_STOP_S] + [s["start"] for s in spans if s["start"] > t])
        due = [s for s in spans if s["start"] <= t < s["end"] - 1e-9 and not (s["loop"] and s["end"] == t)]
        if due or until - t < 2 * SILENCE_TOLERANCE_S:
            print(f"  stop at {t:.2f} s: not checked, {', '.join(s['file'] for s in due) or 'a sound'} due")
            continue
        after = hearing.silent_after_s(aligned, RATE_HZ, t, until)
        checked_stops.append(dict(t=t, silent_after_ms=None if after is None else after * 1000))
        print(f"  stop at {t:.2f} s: silent after "
              + ("never" if after is None else f"{after * 1000:.0f} ms"))
        if after is None or after > SILENCE_TOLERANCE_S:
            quiet.fail(f"stop at {t:.2f} s: still sounding "
                       + ("to its window's end" if after is None else f"{after * 1000:.0f} ms after"))
    if not any(s["loop"] for s in spans):
        loops.skipped = "no looping sound in this flight"
    if not checked_stops:
        quiet.skipped = "no stop in this flight with nothing else due after it"
    if not any(spoken_of(s["file"]) for s in spans):
        voiced.skipped = "no spoken sound in this flight"
    summary = dict(offset_s=offset_s, match=score, call_to_heard_s=latency, sounds=figures, stops=checked_stops)
    with open(os.path.join(run, "hearing.json"), "w", encoding="utf-8") as f:
        json.dump(summary, f, indent=1)
    return [c.done() for c in (on_time, voiced, loops, quiet)], summary


def call_to_heard_s(run_dir, offset_s):
    """From the first frame's start by the runner's clock to the first sound
    heard in the recording, by the wall clock: at least the library's and the
    server's latency (parec's start-up counts against it)."""
    try:
        with open(os.path.join(run_dir, "recording.json"), encoding="utf-8") as f:
            parec = json.load(f)["parec_started_unix_s"]
        with open(os.path.join(run_dir, "run", "clock.jsonl"), encoding="utf-8") as f:
            first = json.loads(f.readline())
        return parec + offset_s - first["unix_s"]
    except (OSError, ValueError, KeyError):
        return None


def finish_run(args, run_dir):
    """The mix as flight.wav, the recording beside it, and the report with both."""
    run = os.path.join(run_dir, "run")
    os.replace(os.path.join(run_dir, "recording.wav"), os.path.join(run, "recording.wav"))
    steps = [[sys.executable, os.path.join(ROOT, "bench", "audio", "mix_flight.py"), run,
              "--sounds", os.path.join(args.native, "sound", "MERTQ4")],
             [sys.executable, os.path.join(ROOT, "bench", "report", "report.py"), run]]
    for command in steps:
        done = subprocess.run(command, capture_output=True, text=True)
        if done.returncode != 0:
            return f"{os.path.basename(command[1])} failed: {(done.stderr or done.stdout).strip()}"
    return None


def hear_scenario(server, args, scenario, sounds, scratch, grammar):
    """Every runner's flight of one scenario, at once, each into its own sink."""
    name = os.path.splitext(os.path.basename(scenario))[0]
    runners = RUNNERS
    flights, checks = {}, []
    for which in runners:
        run_dir = os.path.join(args.out, name, which)
        os.makedirs(run_dir, exist_ok=True)
        flown = Check(f"{which} {name}: flown in real time through the real library")
        if which in args.why_not:
            flown.skipped = f"no {which} runner: {args.why_not[which]}"
        else:
            missing = library_missing(args, which)
            if missing:
                flown.fail(missing)
        flights[which] = (run_dir, flown)
    import threading
    results = {}
    threads = [threading.Thread(target=lambda w=w: results.__setitem__(
        w, fly(server, args, w, scenario, flights[w][0]))) for w, (_, c) in flights.items()
        if c.failure is None and c.skipped is None]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for which in runners:
        run_dir, flown = flights[which]
        if which in results and results[which]:
            flown.fail(results[which])
        checks.append(flown.done())
        later = [Check(f"{which} {name}: {what}") for what in
                 ("every sound begins on time", "every callout heard", "no loop has a gap",
                  "silent after every stop")]
        if flown.failure is not None or flown.skipped is not None:
            for c in later:
                c.skipped = flown.skipped
                if flown.failure is not None:
                    c.fail("not flown")
            checks += [c.done() for c in later]
            continue
        judged, _ = judge(which, name, run_dir, sounds, scratch, grammar)
        checks += judged
        problem = finish_run(args, run_dir)
        if problem:
            judged[0].fail(problem)
    return checks


def main(argv):
    parser = argparse.ArgumentParser(usage=__doc__.split("\n\n")[1])
    parser.add_argument("--native", default="build/native")
    for which, (_, _, build) in windows_runners.ARCHITECTURES.items():
        parser.add_argument("--" + which, default=build)
        parser.add_argument("--no-" + which, action="store_true")
    parser.add_argument("--out")
    parser.add_argument("--junit")
    parser.add_argument("scenarios", nargs="+")
    args = parser.parse_args(argv[1:])
    args.native = os.path.abspath(args.native)
    args.out = os.path.abspath(args.out or os.path.join(args.native, "hearing-runs"))
    # The Windows runners left out by the command line or this machine, and why.
    args.why_not = {}
    for which in windows_runners.ARCHITECTURES:
        setattr(args, which, os.path.abspath(getattr(args, which)))
        left_out = getattr(args, "no_" + which)
        reason = f"left out (--no-{which})" if left_out else windows_runners.runs_here(which)
        if reason is not None:
            args.why_not[which] = reason
    wineprefixes = [windows_runners.environment(getattr(args, which))["WINEPREFIX"]
                    for which in windows_runners.ARCHITECTURES if which not in args.why_not]
    check_voice.require_recogniser()
    sound_server.interrupts_as_exceptions()
    sounds = sound_set(os.path.join(args.native, "sound", "MERTQ4"))
    started, checks = time.monotonic(), []
    with tempfile.TemporaryDirectory(prefix="hear-flight-") as scratch:
        grammar = os.path.join(scratch, "phrases.gram")
        with open(grammar, "w") as f:
            f.write("#JSGF V1.0;\ngrammar phrases;\npublic <phrase> = "
                    + " | ".join(heard(s) for s in SPOKEN) + ";\n")
        try:
            with sound_server.SoundServer(scratch, SINKS.values(), wineprefixes) as server:
                for scenario in args.scenarios:
                    checks += hear_scenario(server, args, scenario, sounds, scratch, grammar)
        except sound_server.ServerError as e:
            failed = Check("the sound server")
            failed.fail(str(e))
            checks.append(failed.done())
    failed = sum(c.failure is not None for c in checks)
    skipped = sum(c.skipped is not None and c.failure is None for c in checks)
    print(f"hearing: {len(checks) - failed - skipped} of {len(checks)} checks passed"
          f"{f' ({skipped} skipped)' if skipped else ''} in {time.monotonic() - started:.1f} s")
    if args.junit:
        write_junit(args.junit, checks, "hearing")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

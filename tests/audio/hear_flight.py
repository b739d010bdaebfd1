#!/usr/bin/env python3
"""Hears flights end to end through the real sound library: each scenario is
flown in real time by each Windows runner under Wine (the shipped 32-bit and
64-bit MERTQ4.gau and GaugeSound.dll) and by the native runner (its
libgaugesound), each into a null sink of a private PulseAudio server whose
monitor is recorded, and each recording is compared with the bench's mix of
the same trace. The flights named with --loaded are flown with every core of
the machine kept busy by as many other processes, at normal priority, for
the whole flight, as a host rendering its scenery keeps them.

usage: hear_flight.py [--native BUILD] [--windows BUILD] [--no-windows]
                      [--windows64 BUILD] [--no-windows64] [--out DIR]
                      [--loaded SCENARIO.json]... [--advisory CHECK]...
                      [--junit FILE] SCENARIO.json...
  Runs go to DIR/<scenario>/<runner> (DIR/<scenario>-loaded/<runner> for a
  loaded flight; default BUILD_NATIVE/hearing-runs): the trace, clock.jsonl,
  recording.wav, flight.wav (the mix), hearing.json and the report with both
  waveforms. --no-windows and --no-windows64 leave that Windows runner out,
  as does a machine that cannot start its Wine: its flights count as skipped.
  --advisory CHECK (as named below, "no sound drops out") reports that
  check's failures as skips that carry them.

Before each group of flights (idle, loaded), each Windows build's
waveout_reference.exe writes bursts straight to waveOut on the same stack, in
the same conditions: the latency the library is held to is LATENCY_BOUND_S
beyond that plain write's (an open and a write for a sound that opens the
library's stream, the first of a flight or the first after a terminate; a
write for the others). Then each writes a noise of PLAIN_STREAM_S whole, as
one buffer, and where that plain stream runs dry is printed: a dropout there
is the stack's own, the library having no part in it.

Under Wine the stack itself runs dry while the Wine server saves the
prefix's registry (every 30 s while it has changed, and every process start
changes it; each of its requests waits meanwhile, those of Wine's audio
threads among them). The registry files' writes are watched during each
flight and plain stream, and a dropout within SAVE_STALL_S of one is
printed as the stack's, not failed.

Checks per flight, after the recording is set on the mix by the clocks (each
call's time, as the runner took it, and the recording's pace beside the
system clock): every sound begins within ONSET_TOLERANCE_S of its frame's
time (NATIVE_ONSET_TOLERANCE_S through the native output, whose buffer is
longer), on the latency the later sounds keep (a sound that opens the output
stream may be heard up to DEVICE_START_TOLERANCE_S later, and for a Windows
runner later still by the stack's own open and write, twice that after a
terminate, whose stream closes first; sounds that start
together are found by their sum); each is heard, from the call
that asked for it, within the latency bound above (the shipped library, under
Wine; the native output's latency is given, not bound); each spoken sound is
heard by the recogniser, constrained to the set's phrases, as its own phrase
(where other sounds overlap it as heard, each at its own onset, as the mix
of them there is heard); no sound, looping
or once, drops out anywhere over its length (hearing.dropouts: the recording
dry where the sound sounds; a sound a terminate ends, to that end less its
latency, since a terminate silences what the device holds at once); after a stop or terminate with nothing else due,
silence within SILENCE_TOLERANCE_S. Prints the figures per sound; exit status
0 when every check passes, 1 when one fails, 2 on bad usage.
"""
import argparse
import contextlib
import json
import os
import subprocess
import sys
import tempfile
import threading
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
# The native output keeps between half its 150 ms buffer and all of it queued,
# so a sound there may wait up to 75 ms more or less than their median.
NATIVE_ONSET_TOLERANCE_S = 0.100
# The first sound of a process waits for the output device to start as well.
DEVICE_START_TOLERANCE_S = 0.5
OPENING_SEARCH_S = 0.6  # how far a later sound is looked for before their common latency is known
SILENCE_TOLERANCE_S = 0.050
QUIET_AFTER_STOP_S = 0.35  # how long after a stop the recording is watched
# A sound's opening found at all: its normalised correlation at least this
# (three sounds starting together, one device start over them, match 0.5).
MIN_MATCH = 0.4
TAIL_S = 1.5  # recorded after the runner ends, for the last sound's end
FLIGHT_TIMEOUT_S = 240
LIBRARY_KEPT = "the sound library was still in the process"  # the runner's words, once its panel has closed
LAST_FRAME_S = 0.1  # a loop sounding to the flight's end stops as the runner ends
LATENCY_BOUND_S = 0.050  # from a call to its sound, beyond a plain waveOut write's
# The first sample of a plain write's burst heard: above -40 dBFS.
BURST_HEARD = 0.01
REFERENCE_BURSTS = 4
REFERENCE_RUNS = 3
REFERENCE_TIMEOUT_S = 60
PLAIN_STREAM_S = 45  # as long as the longest flight
# The Wine server rewrites a changed registry (system.reg: some megabytes)
# every 30 s, and while it writes, every request to it waits: the waits of
# Wine's own audio threads beneath the library among them, so that a plain
# stream written whole runs dry there too. A dropout heard within
# SAVE_STALL_S of a save's last write is the stack's, told apart.
REGISTRY_FILES = ("system.reg", "user.reg", "userdef.reg")
REGISTRY_POLL_S = 0.005
SAVE_STALL_S = 0.15
SINKS = {"windows": "mertq4", "windows64": "mertq4_64", "native": "mertq4_native"}
RUNNERS = ["windows", "windows64", "native"]


# Checks named with --advisory: judged and printed as the others, but a
# failure of one is reported as a skip that carries it ("advisory, failed:
# ..."), not as a failure, while the library does not yet meet it everywhere.
ADVISORY = set()


class Check:
    def __init__(self, name):
        self.name, self.failure, self.skipped, self.seconds = name, None, None, 0.0
        self.started = time.monotonic()

    def fail(self, problem):
        self.failure = problem if self.failure is None else self.failure + "\n" + problem

    def done(self):
        self.seconds = time.monotonic() - self.started
        if self.failure is not None and any(self.name.endswith(": " + a) for a in ADVISORY):
            self.skipped, self.failure = "advisory, failed: " + self.failure, None
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
        if last > max(first, 0):  # a sound placed before 0 (as heard) loses its head
            total[max(first, 0):last] += np.resize(s["clip"], last - first)[max(0, -first):]
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


@contextlib.contextmanager
def busy(processes):
    """That many processes spinning at normal priority while the block runs."""
    spinners = [sound_server.start_group(["sh", "-c", "while :; do :; done"]) for _ in range(processes)]
    try:
        yield
    finally:
        for spinner in spinners:
            sound_server._end_group(spinner)


def reference(server, args, which, scratch):
    """The plain waveOut write of a Windows build on this stack, from
    REFERENCE_RUNS processes of it in turn: seconds from a call to its burst
    heard, for an open and write in a process new to the audio stack (the
    slowest of them: the library's first is one more draw of the same) and
    for a write to an open device (the median), as a dict; or the failure."""
    build = getattr(args, which)
    program = os.path.join(build, "bin", "gaugesound", "waveout_reference.exe")
    if not os.path.exists(program):
        return f"{program} is not built"
    env = windows_runners.environment(build, server.client_env(SINKS[which]))
    command = windows_runners.command(which, build, os.path.join("gaugesound", "waveout_reference.exe"))
    latencies = {"open_write": [], "write": []}
    for run in range(REFERENCE_RUNS):
        calls_path = os.path.join(scratch, f"reference-{which}-{run}.jsonl")
        recording = os.path.join(scratch, f"reference-{which}-{run}.wav")
        clock = []
        with server.recording(SINKS[which], recording, clock) as started:
            done = subprocess.run(command + ["Z:" + calls_path, str(REFERENCE_BURSTS)], env=env, cwd=build,
                                  stdin=subprocess.DEVNULL, capture_output=True, text=True,
                                  timeout=REFERENCE_TIMEOUT_S)
            time.sleep(0.5)
        if done.returncode != 0:
            return f"waveout_reference.exe failed (exit {done.returncode}): {done.stderr.strip()}"
        x = read_mono(recording)
        heard_at = sound_server.recording_clock(started, clock)
        with open(calls_path, encoding="utf-8") as f:
            for call in map(json.loads, f):
                # The index the call's time has in the recording, at its pace.
                at = max(0, int(round((call["unix_s"] - started) * RATE_HZ)))
                at = max(0, at + int(round((call["unix_s"] - heard_at(at)) * RATE_HZ)))
                heard = np.nonzero(np.abs(x[at:at + RATE_HZ]) > BURST_HEARD)[0]
                if len(heard) == 0:
                    return f"a burst of waveout_reference.exe was not heard within a second of its {call['call']}"
                latencies[call["call"]].append(heard_at(at + heard[0]) - call["unix_s"])
    return {"open_write": float(max(latencies["open_write"])), "write": float(np.median(latencies["write"]))}


@contextlib.contextmanager
def registry_saves(prefix):
    """The system-clock times of the Wine server's registry saves in the
    prefix (None: no Wine) while the block runs, each the time of a file's
    last write, as a list that fills as they come."""
    saves = []
    if prefix is None:
        yield saves
        return
    done = threading.Event()

    def written():
        times = {}
        for name in REGISTRY_FILES:
            with contextlib.suppress(OSError):
                times[name] = os.stat(os.path.join(prefix, name)).st_mtime_ns / 1e9
        return times

    def watch():
        last = written()
        while not done.wait(REGISTRY_POLL_S):
            now = written()
            saves.extend(t for name, t in now.items() if last.get(name) != t)
            last = now
    watcher = threading.Thread(target=watch, daemon=True)
    watcher.start()
    try:
        yield saves
    finally:
        done.set()
        watcher.join()


def stack_stall(wall_s, saves):
    """Whether a dropout at this system-clock time is the Wine server's, saving its registry."""
    return any(abs(wall_s - t) <= SAVE_STALL_S for t in saves)


def said_dry(found):
    """Dropouts (start s, length s, whether the stack's) as a clause."""
    return ", ".join(f"{length * 1000:.0f} ms at {t:.3f} s" + (" (the Wine server saving its registry)" if stack else "")
                     for t, length, stack in found)


def plain_stream(server, args, which, scratch):
    """The plain waveOut stream of a Windows build on this stack: one noise of
    PLAIN_STREAM_S written whole, with nothing left for the program to do.
    The stretches (start s from the write, length s) where it is heard dry,
    or the failure: a dropout in it is the stack's own."""
    build = getattr(args, which)
    calls_path = os.path.join(scratch, f"stream-{which}.jsonl")
    recording = os.path.join(scratch, f"stream-{which}.wav")
    env = windows_runners.environment(build, server.client_env(SINKS[which]))
    command = windows_runners.command(which, build, os.path.join("gaugesound", "waveout_reference.exe"))
    with server.recording(SINKS[which], recording) as started, registry_saves(env["WINEPREFIX"]) as saves:
        done = subprocess.run(command + ["--stream", str(PLAIN_STREAM_S), "Z:" + calls_path], env=env, cwd=build,
                              stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              timeout=PLAIN_STREAM_S + REFERENCE_TIMEOUT_S)
        time.sleep(0.5)
    if done.returncode != 0:
        return f"waveout_reference.exe --stream failed (exit {done.returncode}): {done.stderr.strip()}"
    x = read_mono(recording)
    with open(calls_path, encoding="utf-8") as f:
        call = json.loads(f.readline())
    at = max(0, int(round((call["unix_s"] - started) * RATE_HZ)))
    heard = np.nonzero(np.abs(x[at:at + RATE_HZ]) > BURST_HEARD)[0]
    if len(heard) == 0:
        return "the plain waveOut stream was not heard within a second of its write"
    onset = at + int(heard[0])
    own = np.zeros(len(x))
    own[onset:onset + call["seconds"] * RATE_HZ] = 0.1
    found = hearing.dropouts(x, own, RATE_HZ, onset / RATE_HZ, onset / RATE_HZ + call["seconds"] - LAST_FRAME_S)
    return [(t - onset / RATE_HZ, length, stack_stall(started + t, saves)) for t, length in found]


def fly(server, args, which, scenario, run_dir):
    """Flies one scenario in real time while its sink is recorded; the failure or None."""
    out = os.path.join(run_dir, "run")
    command, cwd = runner_command(args, which, scenario, out)
    env = server.client_env(SINKS[which])
    if which != "native":
        env = windows_runners.environment(cwd, env)
    recording = os.path.join(run_dir, "recording.wav")
    clock = []
    with open(os.path.join(run_dir, "runner.stderr"), "w+", encoding="utf-8") as err:
        with server.recording(SINKS[which], recording, clock) as started, \
                registry_saves(env.get("WINEPREFIX") if which != "native" else None) as saves:
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
    if LIBRARY_KEPT in message:  # a stream that never closes its device keeps every later one from opening
        return f"the {which} runner: {message}"
    with open(os.path.join(run_dir, "recording.json"), "w", encoding="utf-8") as f:
        json.dump({"parec_started_unix_s": started, "clock": clock, "registry_saves_unix_s": saves}, f)
    return None


def onset_lag(aligned, level, spans, s, end_t, late_s=hearing.ONSET_SEARCH_S):
    """Seconds span s is heard after its due time in the aligned recording, and
    the match's coefficient (1 where found by its energy). It is looked for
    in what is left of the recording once every other sound of the mix is
    taken out, so that sounds over it do not draw the match away; a periodic
    sound (a rattle, a tone) by where its energy rises there."""
    alone_in = aligned - level * mix_of(spans, end_t, leaving_out=s)
    if hearing.periodic(s["clip"], RATE_HZ):
        lag = hearing.energy_onset_error_s(alone_in / level, s["clip"], s["start"], RATE_HZ, late_s=late_s)
        return (0.0, 0.0) if lag is None else (lag, 1.0)
    return hearing.onset_error_s(alone_in, s["clip"], s["start"], RATE_HZ, late_s=late_s)


def looked_for_s(s, openings):
    """How late a sound is looked for: ONSET_SEARCH_S, or ONSET_TOLERANCE_S
    past its `openings` entry (start s -> how late it may be) where it opens
    the stream; a loop never as far as its next turn, whose start matches its
    own as well (a loop heard one turn late is what it would be taken for)."""
    if s["start"] not in openings:
        return hearing.ONSET_SEARCH_S
    late_s = openings[s["start"]] + ONSET_TOLERANCE_S
    return min(late_s, len(s["clip"]) / RATE_HZ - hearing.ONSET_SEARCH_S) if s["loop"] else late_s


def onset_lags(aligned, level, spans, end_t, openings):
    """onset_lag of every span, looked for as late as looked_for_s. Sounds
    that start together are mixed into the same frames and heard together,
    so they are found together, by their sum: one alone is drawn away by the
    other, wherever it is heard."""
    together = {}
    for s in spans:
        together.setdefault(s["start"], []).append(s)
    found = {}
    lags = []
    for s in spans:
        group = together[s["start"]]
        search = min(looked_for_s(o, openings) for o in group)
        if len(group) == 1:
            lags.append(onset_lag(aligned, level, spans, s, end_t, search))
            continue
        if s["start"] not in found:
            length = max(len(o["clip"]) for o in group)
            clip = sum(np.pad(o["clip"], (0, length - len(o["clip"]))) for o in group)
            summed = dict(group[0], clip=clip, end=max(o["end"] for o in group))
            others = [o for o in spans if all(o is not g for g in group)]
            found[s["start"]] = onset_lag(aligned, level, others + [summed], summed, end_t, search)
        lags.append(found[s["start"]])
    return lags


def recognise(x, scratch, grammar):
    path = os.path.join(scratch, "segment.wav")
    write_mono(path, x)
    return check_voice.recognise(path, scratch, grammar)


def spoken_of(file):
    return next((s for s in SPOKEN if s["file"].lower() + ".wav" == file), None)


def call_times(run_dir):
    """When the module asked for each sound, by the system clock: a function of
    the sound's time on the flight's clock and its file, the first play of
    that file in that frame (calls.jsonl), or the frame's start."""
    run = os.path.join(run_dir, "run")
    with open(os.path.join(run, "clock.jsonl"), encoding="utf-8") as f:
        frames = {round(line["t"], 6): (line["frame"], line["unix_s"]) for line in map(json.loads, f)}
    plays = {}
    with open(os.path.join(run, "calls.jsonl"), encoding="utf-8") as f:
        for call in map(json.loads, f):
            if call["call"] == "play":
                plays.setdefault((call["frame"], mix_flight.file_key(call["file"])), call["unix_s"])

    def at(t, file):
        frame, started = frames[round(t, 6)]
        return plays.get((frame, file), started)  # a file of None: the frame's start
    return at


def recording_clock(run_dir):
    """The system-clock time of each second into the recording."""
    with open(os.path.join(run_dir, "recording.json"), encoding="utf-8") as f:
        kept = json.load(f)
    at = sound_server.recording_clock(kept["parec_started_unix_s"], kept.get("clock", []))
    return lambda seconds: at(seconds * RATE_HZ)


def registry_saves_of(run_dir):
    with open(os.path.join(run_dir, "recording.json"), encoding="utf-8") as f:
        return json.load(f).get("registry_saves_unix_s", [])


def judge(which, label, run_dir, sounds, scratch, grammar, baseline):
    """The checks of one recorded flight, with the figures printed. `baseline`
    is the plain waveOut write's latencies for a Windows runner (or the
    reason there are none), None for the native one."""
    run = os.path.join(run_dir, "run")
    spans, stops, terminates, end_t = trace_spans(run, sounds)
    mix = mix_of(spans, end_t)
    recording = read_mono(os.path.join(run_dir, "recording.wav"))
    # The recording matches the mix at all where their first onsets meet.
    first_onsets_s, score = hearing.align(recording, mix, RATE_HZ)
    checks = {what: Check(f"{label}: {what}") for what in
              ("every sound begins on time", "every sound within the latency bound", "every callout heard",
               "no sound drops out", "silent after every stop")}
    on_time, bounded, voiced, dry, quiet = checks.values()
    if first_onsets_s is None or score < MIN_MATCH:
        for c in checks.values():
            c.fail("the recording is silent" if first_onsets_s is None else
                   f"the recording does not match the mix at its first sound (coefficient {score:.2f})")
        return [c.done() for c in checks.values()], {}
    calls, heard_at = call_times(run_dir), recording_clock(run_dir)
    saves, stalled = registry_saves_of(run_dir), []
    # The mix set on the recording by the clocks: its frame 0 where the
    # recording was at that frame's start, so each sound lies its latency
    # behind its place (a slow first sound, opening the device, draws no
    # later one out of reach, as an alignment by first onsets would).
    frame_0_s = (calls(0.0, None) - heard_at(0.0)) / (heard_at(1.0) - heard_at(0.0))
    bound = baseline if isinstance(baseline, dict) else None
    later_tolerance_s = NATIVE_ONSET_TOLERANCE_S if baseline is None else ONSET_TOLERANCE_S
    # The first sound of a flight opens the output stream, and so does the
    # first after a terminate; every later sound keeps to one latency, the
    # median of theirs, and is measured against it. A stream-opening sound
    # comes after the stack's own open and write, which a busy Wine has taken
    # up to 0.8 s, and after a terminate the terminated stream's close comes
    # first: each is looked for, and held, DEVICE_START_TOLERANCE_S beyond
    # that open and write, taken once for the first and twice after a
    # terminate. How long it took is the latency bound's to judge.
    open_write_s = bound["open_write"] if bound is not None else 0.0
    openings = {min([o["start"] for o in spans if o["start"] >= t] or [t]): DEVICE_START_TOLERANCE_S + 2 * open_write_s
                for t in terminates}
    openings[spans[0]["start"]] = DEVICE_START_TOLERANCE_S + open_write_s
    # A periodic sound's onset by its energy is only good to a period, so the
    # latency comes from the sounds matched by their own waveform, first
    # each alone and then with the others taken out at that latency.
    later_spans = [s for s in spans if s["start"] not in openings and not hearing.periodic(s["clip"], RATE_HZ)]
    at_zero = hearing.shifted(recording, frame_0_s, RATE_HZ, len(mix))
    first_pass = [hearing.onset_error_s(at_zero, s["clip"], s["start"], RATE_HZ, OPENING_SEARCH_S)
                  for s in later_spans]
    common_s = float(np.median([lag for lag, match in first_pass if match >= MIN_MATCH] or [0.0]))
    offset_s = frame_0_s + common_s
    aligned = hearing.shifted(recording, offset_s, RATE_HZ, len(mix))
    level = hearing.gain(aligned, mix) or 1.0
    lags = [(lag + common_s, match) for lag, match in onset_lags(aligned, level, spans, end_t, openings)]
    later = [lag for s, (lag, match) in zip(spans, lags) if s in later_spans and match >= MIN_MATCH]
    common_s = float(np.median(later)) if later else common_s
    aligned = hearing.shifted(recording, frame_0_s + common_s, RATE_HZ, len(mix))
    offset_s = frame_0_s
    if bound is not None:
        print(f"{label}: a plain waveOut write heard {bound['write'] * 1000:.0f} ms after its call, "
              f"an open and write up to {bound['open_write'] * 1000:.0f} ms; the bound is "
              f"{LATENCY_BOUND_S * 1000:.0f} ms beyond")
    elif baseline is None:
        bounded.skipped = "the native output is not the shipped library's: its latency is given, not bound"
    else:
        bounded.fail(baseline)
    print(f"{label}: frame 0 at {frame_0_s:.3f} s into the recording; the first sounds match the mix "
          f"at {score:.2f}; later sounds heard {common_s * 1000:.0f} ms after their frames")
    print(f"  {'t (s)':>7} {'sound':16} {'mode':5} {'onset':>8} {'match':>5} {'latency':>8} {'drops':>5}  heard")
    figures = []
    # The spoken sounds are heard among the others as the recording holds
    # them: a late stream-opening callout may overlap the next one there.
    placed = hearing.as_heard(spans, [lag - common_s if match >= MIN_MATCH else 0.0 for lag, match in lags])
    placed_mix = mix_of(placed, end_t)
    for s, heard_s, (lag, match) in zip(spans, placed, lags):
        error_s = lag - common_s
        opens = s["start"] in openings
        latency_s = heard_at(s["start"] + offset_s + lag) - calls(s["start"], s["file"])
        row = dict(t=s["start"], file=s["file"], loop=s["loop"], opens_stream=opens,
                   onset_error_ms=error_s * 1000, match=match, latency_ms=latency_s * 1000)
        if match < MIN_MATCH and opens and baseline is None:
            pass  # the native output's start is the sound server client's, not the library's
        elif match < MIN_MATCH:
            on_time.fail(f"{s['file']} at {s['start']:.2f} s: not found within "
                         f"{looked_for_s(s, openings) * 1000:.0f} ms (best match {match:.2f})")
        elif opens and not -ONSET_TOLERANCE_S <= error_s <= openings[s["start"]]:
            on_time.fail(f"{s['file']} at {s['start']:.2f} s, opening the device, begins "
                         f"{error_s * 1000:+.0f} ms off the later sounds' latency")
        elif not opens and abs(error_s) > later_tolerance_s:
            on_time.fail(f"{s['file']} at {s['start']:.2f} s begins {error_s * 1000:+.0f} ms off its frame")
        if bound is not None and match >= MIN_MATCH:
            plain_s = bound["open_write" if opens else "write"]
            if latency_s > plain_s + LATENCY_BOUND_S:
                bounded.fail(f"{s['file']} at {s['start']:.2f} s{', opening the stream,' if opens else ''} "
                             f"heard {latency_s * 1000:.0f} ms after its call, "
                             f"{(latency_s - plain_s) * 1000:.0f} ms beyond a plain waveOut "
                             f"{'open and write' if opens else 'write'}")
        found = []
        if match >= MIN_MATCH:
            # On the sound's own clock: its start as heard carries its own error.
            own = hearing.shifted(aligned, error_s, RATE_HZ, len(mix))
            end = hearing.heard_until_s(s, error_s, common_s, end_t,
                                        any(abs(s["end"] - t) < 1e-9 for t in terminates), LAST_FRAME_S)
            found = hearing.dropouts(own, level * mix_of([s], end_t), RATE_HZ, s["start"], end)
            # On the recording: the sound's own clock, its error and the common latency on.
            found = [(t, length, stack_stall(heard_at(t + frame_0_s + common_s + error_s), saves))
                     for t, length in found]
            own_drops = [d for d in found if not d[2]]
            row["dropouts_ms"] = [[round(t * 1000), round(length * 1000)] for t, length, _ in own_drops]
            row["stack_dropouts_ms"] = [[round(t * 1000), round(length * 1000)] for t, length, stack in found if stack]
            if len(own_drops) < len(found):
                stalled.append(f"{s['file']} from {s['start']:.2f} s: dry for " + said_dry([d for d in found if d[2]]))
            if own_drops:
                dry.fail(f"{s['file']} {'looping' if s['loop'] else 'once'} from {s['start']:.2f} s: dry for "
                         + said_dry(own_drops[:5]) + (f" and {len(own_drops) - 5} more" if len(own_drops) > 5 else ""))
        spoken = spoken_of(s["file"])
        if spoken is not None:
            start, stop = hearing.voice_window(heard_s, placed, RATE_HZ)
            over = [o for o, p in zip(spans, placed) if p is not heard_s and p["start"] < heard_s["end"]
                    and p["end"] > heard_s["start"]]
            alone = not over
            expected = heard(spoken) if alone else recognise(placed_mix[start:stop], scratch, grammar)
            row.update(heard=recognise(aligned[start:stop], scratch, grammar), expected=expected, alone=alone)
            # A sound misheard where a dropout cuts it, or where a stream-opening
            # sound heard late runs into it, is given as heard, not failed
            # here: the dropout, and the late sound's latency, are judged as such.
            late = [o for o in over if not (o["start"] < s["end"] and o["end"] > s["start"])]
            cut = [d for d in found if d[0] < stop / RATE_HZ - error_s and d[0] + d[1] > start / RATE_HZ - error_s]
            if row["heard"] != expected and (cut or late):
                row["not_failed"] = "a dropout cuts it" if cut else f"{late[0]['file'][:-4]} heard late over it"
            elif row["heard"] != expected:
                voiced.fail(f"{s['file']} at {s['start']:.2f} s: heard \"{row['heard']}\", not \"{expected}\""
                            + ("" if alone else " (as the mix of the sounds heard there, each at its own onset, is heard)"))
        figures.append(row)
        heard_text = (f"\"{row['heard']}\"" + ("" if row.get("alone") else f" (mix: \"{row['expected']}\")")
                      + (f", not failed: {row['not_failed']}" if "not_failed" in row else "")
                      if "heard" in row else "")
        print(f"  {s['start']:7.2f} {s['file'][:-4]:16} {'loop' if s['loop'] else 'once':5} "
              f"{row['onset_error_ms']:+6.1f}ms {match:5.2f} {row['latency_ms']:6.0f}ms "
              f"{len(row.get('dropouts_ms', [])):5}  {heard_text}")
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
    if not checked_stops:
        quiet.skipped = "no stop in this flight with nothing else due after it"
    stream = bound.get("stream_dropouts") if bound is not None else None
    if stalled:
        print(f"{label}: dry as the Wine server saved its registry, beneath the library: " + "; ".join(stalled))
    if dry.failure is not None and isinstance(stream, list):
        dry.fail(f"(a plain waveOut stream of {PLAIN_STREAM_S} s, written whole, in the same conditions: "
                 + (f"dry {said_dry(stream)}" if stream else "never dry") + ")")
    if not any(spoken_of(s["file"]) for s in spans):
        voiced.skipped = "no spoken sound in this flight"
    summary = dict(frame_0_s=frame_0_s, later_latency_s=common_s, match=score, plain_write=bound, sounds=figures, stops=checked_stops)
    with open(os.path.join(run, "hearing.json"), "w", encoding="utf-8") as f:
        json.dump(summary, f, indent=1)
    return [c.done() for c in checks.values()], summary


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


JUDGED = ("every sound begins on time", "every sound within the latency bound", "every callout heard",
          "no sound drops out", "silent after every stop")


def hear_scenario(server, args, scenario, sounds, scratch, grammar, group):
    """Every runner's flight of one scenario, at once, each into its own sink;
    flown with every core busy where the group says so."""
    name = os.path.splitext(os.path.basename(scenario))[0] + ("-loaded" if group["busy"] else "")
    flights, checks = {}, []
    for which in RUNNERS:
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
    flying = [w for w, (_, c) in flights.items() if c.failure is None and c.skipped is None]
    results = each_at_once(flying, group["busy"], lambda w: fly(server, args, w, scenario, flights[w][0]))
    for which in RUNNERS:
        run_dir, flown = flights[which]
        if which in results and results[which]:
            flown.fail(results[which])
        checks.append(flown.done())
        if flown.failure is not None or flown.skipped is not None:
            later = [Check(f"{which} {name}: {what}") for what in JUDGED]
            for c in later:
                c.skipped = flown.skipped
                if flown.failure is not None:
                    c.fail("not flown")
            checks += [c.done() for c in later]
            continue
        judged, _ = judge(which, f"{which} {name}", run_dir, sounds, scratch, grammar,
                          group["baselines"].get(which))
        checks += judged
        problem = finish_run(args, run_dir)
        if problem:
            judged[0].fail(problem)
    return checks


def each_at_once(runners, processes, measure):
    """measure(which) for every runner at once, with `processes` busy ones
    beside: a dict of the results."""
    results = {}
    threads = [threading.Thread(target=lambda w=w: results.__setitem__(w, measure(w))) for w in runners]
    with busy(processes):
        for t in threads:
            t.start()
        for t in threads:
            t.join()
    return results


def measure_references(server, args, scratch, group):
    """Each Windows build's plain waveOut write and plain waveOut stream, in
    the group's conditions."""
    measured = [which for which in windows_runners.ARCHITECTURES if which not in args.why_not]
    group["baselines"] = each_at_once(measured, group["busy"], lambda w: reference(server, args, w, scratch))
    streams = each_at_once(measured, group["busy"], lambda w: plain_stream(server, args, w, scratch))
    for which, found in streams.items():
        said = (found if isinstance(found, str) else f"{PLAIN_STREAM_S} s, dry " + (
            said_dry(found) if found else "nowhere"))
        print(f"plain waveOut stream of the {which} build{' (loaded)' if group['busy'] else ''}: {said}", flush=True)
        if isinstance(group["baselines"].get(which), dict):
            group["baselines"][which]["stream_dropouts"] = found
    for which, baseline in group["baselines"].items():
        said = (f"write {baseline['write'] * 1000:.0f} ms, open and write up to {baseline['open_write'] * 1000:.0f} ms"
                if isinstance(baseline, dict) else baseline)
        print(f"plain waveOut of the {which} build{' (loaded)' if group['busy'] else ''}: {said}", flush=True)


def main(argv):
    parser = argparse.ArgumentParser(usage=__doc__.split("\n\n")[1])
    parser.add_argument("--native", default="build/native")
    for which, (_, _, build) in windows_runners.ARCHITECTURES.items():
        parser.add_argument("--" + which, default=build)
        parser.add_argument("--no-" + which, action="store_true")
    parser.add_argument("--out")
    parser.add_argument("--junit")
    parser.add_argument("--loaded", action="append", default=[])
    parser.add_argument("--advisory", action="append", default=[])
    parser.add_argument("scenarios", nargs="*")
    args = parser.parse_args(argv[1:])
    ADVISORY.update(args.advisory)
    if not args.scenarios and not args.loaded:
        parser.error("no scenario to fly")
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
    # The flights at rest, then those with every core kept busy.
    groups = [{"busy": 0, "scenarios": args.scenarios},
              {"busy": os.cpu_count() or 2, "scenarios": args.loaded}]
    started, checks = time.monotonic(), []
    with tempfile.TemporaryDirectory(prefix="hear-flight-") as scratch:
        grammar = os.path.join(scratch, "phrases.gram")
        with open(grammar, "w") as f:
            f.write("#JSGF V1.0;\ngrammar phrases;\npublic <phrase> = "
                    + " | ".join(heard(s) for s in SPOKEN) + ";\n")
        try:
            with sound_server.SoundServer(scratch, SINKS.values(), wineprefixes) as server:
                for group in groups:
                    if not group["scenarios"]:
                        continue
                    measure_references(server, args, scratch, group)
                    for scenario in group["scenarios"]:
                        checks += hear_scenario(server, args, scenario, sounds, scratch, grammar, group)
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

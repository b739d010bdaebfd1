"""A private PulseAudio server for the hearing test: started with its own
runtime folder and no system configuration, one null sink per flight, each
sink's monitor recorded with parec into a WAV; every process it starts runs in
a process group of its own and is ended on every path out (done, failure,
interrupt), Wine's servers included for the Wine prefixes it was given.

    with SoundServer(scratch, sinks=["mertq4"]) as server:
        with server.recording("mertq4", "out.wav"):
            subprocess.run(command, env=server.client_env("mertq4"))
"""
import contextlib
import os
import signal
import subprocess
import threading
import time
import wave

RATE_HZ = 44100
START_TIMEOUT_S = 10.0
STOP_TIMEOUT_S = 5.0
# parec's own buffering: small, so the recording's clock follows the sink's.
RECORD_LATENCY_MS = 10
CLOCK_POLL_S = 0.25  # how often the recording's length is set beside the system clock
FLOW_CHECK_S = 0.3  # samples coming at 80 % of the sink's pace over this long: recording


class ServerError(Exception):
    pass


def _end_group(process, timeout_s=STOP_TIMEOUT_S, first=signal.SIGTERM):
    """Ends a process started in a group of its own, with its children: `first`,
    then SIGKILL after `timeout_s`. Safe to call on one already ended."""
    if process is None or process.poll() is not None:
        return
    try:
        os.killpg(process.pid, first)
        process.wait(timeout=timeout_s)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
    except ProcessLookupError:
        process.wait()


def start_group(command, **kwargs):
    """A process in a new session (so its own process group), for _end_group."""
    return subprocess.Popen(command, start_new_session=True, **kwargs)


class SoundServer:
    """The server, its sinks (44.1 kHz) and the recordings made of them."""

    def __init__(self, scratch, sinks, wineprefixes=()):
        self.runtime = os.path.join(os.path.abspath(scratch), "pulse")
        self.socket = os.path.join(self.runtime, "native")
        self.sinks = list(sinks)
        self.wineprefixes = list(wineprefixes)
        self.process = None
        self.log_path = os.path.join(os.path.abspath(scratch), "pulseaudio.log")
        self._log = None
        self._recorders = []
        self._groups = []

    def environment(self):
        """What every client of this server, and the server itself, is given."""
        env = dict(os.environ)
        env.update(XDG_RUNTIME_DIR=self.runtime, PULSE_RUNTIME_PATH=self.runtime,
                   PULSE_STATE_PATH=os.path.join(self.runtime, "state"),
                   PULSE_SERVER="unix:" + self.socket, HOME=self.runtime)
        env.pop("PULSE_SINK", None)
        return env

    def client_env(self, sink):
        env = self.environment()
        env["PULSE_SINK"] = sink
        return env

    def __enter__(self):
        os.makedirs(self.runtime, mode=0o700, exist_ok=True)
        # Run as root here: --system=false keeps it a per-user server all the same.
        command = ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--system=false",
                   "--disallow-exit", "--use-pid-file=false", "--log-target=stderr",
                   f"--load=module-native-protocol-unix socket={self.socket} auth-anonymous=1"]
        command += [f"--load=module-null-sink sink_name={sink} rate={RATE_HZ}" for sink in self.sinks]
        self._log = open(self.log_path, "w", encoding="utf-8")
        try:
            self.process = start_group(command, env=self.environment(), stdin=subprocess.DEVNULL,
                                       stdout=self._log, stderr=subprocess.STDOUT)
            self._wait_ready()
            self._keep_sounding()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def _wait_ready(self):
        deadline = time.monotonic() + START_TIMEOUT_S
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise ServerError(f"pulseaudio ended at start (exit {self.process.returncode}): "
                                  f"{self.log_tail()}")
            listed = subprocess.run(["pactl", "list", "short", "sinks"], env=self.environment(),
                                    capture_output=True, text=True)
            names = {line.split("\t")[1] for line in listed.stdout.splitlines() if "\t" in line}
            if listed.returncode == 0 and set(self.sinks) <= names:
                return
            time.sleep(0.1)
        raise ServerError(f"pulseaudio did not offer its sinks within {START_TIMEOUT_S:.0f} s: "
                          f"{self.log_tail()}")

    def _keep_sounding(self):
        """A stream of digital silence into every sink for the server's life:
        a null sink with nothing playing renders nothing, and its monitor's
        recording would leave out the time it stood idle."""
        for sink in self.sinks:
            zeros = open(os.devnull.replace("null", "zero"), "rb")
            self._groups.append(start_group(
                ["pacat", "--playback", "-d", sink, "--format=s16le", f"--rate={RATE_HZ}", "--channels=1",
                 "--latency-msec=50", "--client-name=silence"], env=self.environment(), stdin=zeros,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            zeros.close()

    def log_tail(self, lines=8):
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as f:
                return " | ".join(f.read().strip().splitlines()[-lines:])
        except OSError:
            return "(no log)"

    def start(self, command, **kwargs):
        """A client process of this server in a group of its own, ended with the server."""
        process = start_group(command, **kwargs)
        self._groups.append(process)
        return process

    @contextlib.contextmanager
    def recording(self, sink, path, clock=None):
        """Records the sink's monitor, 16-bit mono at the sinks' rate, into the
        WAV `path` while the block runs; yields the time.time() parec was
        started at. parec writes raw samples, as they come, made a WAV after:
        its own file writing holds back the first second. Given a list
        `clock`, it gets (time.time(), samples recorded) pairs while the block
        runs: the sink's clock and the system's do not run quite alike, and
        over a minute the difference is milliseconds (recording_clock())."""
        raw = path + ".raw"
        command = ["parec", "-d", sink + ".monitor", f"--rate={RATE_HZ}", "--channels=1",
                   "--format=s16le", f"--latency-msec={RECORD_LATENCY_MS}", "--client-name=recorder"]
        with open(raw, "wb") as out:
            recorder = start_group(command, env=self.environment(), stdin=subprocess.DEVNULL,
                                   stdout=out, stderr=subprocess.PIPE)
        self._recorders.append(recorder)
        polling = threading.Event()

        def poll():
            while not polling.wait(CLOCK_POLL_S):
                clock.append((time.time(), os.path.getsize(raw) // 2))
        poller = threading.Thread(target=poll, daemon=True) if clock is not None else None
        try:
            started = self._flowing(recorder, raw)
            if poller:
                poller.start()
            yield started
        finally:
            polling.set()
            if poller and poller.is_alive():
                poller.join()
            _end_group(recorder, first=signal.SIGINT)
            self._recorders.remove(recorder)
        problem = recorder.stderr.read().decode(errors="replace").strip()
        recorder.stderr.close()
        if recorder.returncode not in (0, 1, -signal.SIGINT) or os.path.getsize(raw) == 0:
            raise ServerError(f"parec recorded nothing (exit {recorder.returncode}): {problem}")
        with open(raw, "rb") as f, wave.open(path, "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(RATE_HZ)
            data = f.read()
            w.writeframes(data[:len(data) // 2 * 2])
        os.remove(raw)

    @staticmethod
    def _flowing(recorder, raw):
        deadline = time.monotonic() + START_TIMEOUT_S
        history = []  # (time, bytes) of the last polls
        while time.monotonic() < deadline:
            if recorder.poll() is not None:
                raise ServerError(f"parec ended at start (exit {recorder.returncode})")
            now, size = time.time(), os.path.getsize(raw)
            history = [(t, b) for t, b in history if now - t <= FLOW_CHECK_S] + [(now, size)]
            span_s = now - history[0][0]
            if span_s >= FLOW_CHECK_S * 0.9 and size - history[0][1] >= 0.8 * span_s * 2 * RATE_HZ:
                return now - size / (2 * RATE_HZ)
            time.sleep(0.02)
        raise ServerError(f"the recording did not keep pace within {START_TIMEOUT_S:.0f} s")

    def __exit__(self, *_):
        for process in self._groups + self._recorders:
            _end_group(process)
        for wineprefix in self.wineprefixes:
            env = dict(os.environ, WINEPREFIX=wineprefix)
            subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=False)
        _end_group(self.process)
        if self._log:
            self._log.close()
        return False


def interrupts_as_exceptions():
    """SIGTERM and SIGHUP raise SystemExit, so that every `with` unwinds and its
    processes are ended, as they are on Ctrl-C (KeyboardInterrupt)."""
    def leave(signum, _frame):
        raise SystemExit(128 + signum)
    for signum in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, leave)


def recording_clock(started, clock):
    """The system-clock time of a recording's sample, as a function of its
    index: from the recording's start and the (time, samples) pairs taken
    while it ran, at the pace they show (the nominal rate without them)."""
    rate = float(RATE_HZ)
    if len(clock) >= 8:
        times = [t for t, _ in clock]
        counts = [n for _, n in clock]
        mean_t, mean_n = sum(times) / len(times), sum(counts) / len(counts)
        spread = sum((t - mean_t) ** 2 for t in times)
        if spread > 0:
            rate = sum((t - mean_t) * (n - mean_n) for t, n in zip(times, counts)) / spread
    return lambda index: started + index / rate


def main(argv=None):
    """sound_server.py [--record OUT.wav] -- COMMAND...: runs COMMAND as the
    client of a private server with one null sink (recorded into OUT), and
    exits with its status. A Wine program finds the server through the
    environment it is given; its prefix's wineserver is left running."""
    import argparse
    import sys
    import tempfile
    parser = argparse.ArgumentParser(description=main.__doc__.split(":")[0])
    parser.add_argument("--record", help="record the sink into this WAV")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args(argv)
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no command")
    interrupts_as_exceptions()
    with tempfile.TemporaryDirectory(prefix="sound_server_") as scratch:
        with SoundServer(scratch, ["client"]) as server:
            recording = (server.recording("client", args.record) if args.record
                         else contextlib.nullcontext())
            with recording:
                status = subprocess.run(command, env=server.client_env("client")).returncode
    sys.exit(status)


if __name__ == "__main__":
    main()

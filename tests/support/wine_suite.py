"""Runs one test program under Wine for ctest, and tells a hang of Wine's at
the program's end apart from the program's own faults:

    wine_suite.py --report REPORT.xml [--grace S] -- WINE PROGRAM ARGS...

- The program's output comes through pipes of this runner's own and is passed
  on line by line: a process it started that outlives it (one of Wine's
  services, say) cannot hold ctest's pipes open and keep the test waiting
  until its time limit.
- A program that has written its whole report has done its work. If its
  process has not ended GRACE seconds later, Wine's exit has hung: the runner
  says so with the stacks of the process's threads, ends it, and exits with
  the report's verdict. Each such end is also written to wine-exit-hangs.txt
  beside the report, which scripts/test shows after the suites.
A program still running without a report is left to ctest's time limit.
"""
import argparse
import ctypes
import os
import shutil
import signal
import subprocess
import sys
import threading
import time
import xml.etree.ElementTree as ET

POLL_S = 0.2
DRAIN_S = 5.0  # how long the output may stay open after the program ended
HANGS_FILE = "wine-exit-hangs.txt"


def end_with_runner():
    """In the program's process before it starts: killed when the runner
    dies, as when ctest's time limit kills the runner."""
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


def report_verdict(path):
    """None until a whole report is there; then whether every test in it passed."""
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError):
        return None
    return int(root.get("failures", "1")) == 0 and int(root.get("errors", "1")) == 0


def relay(source, sink):
    for line in iter(source.readline, b""):
        sink.write(line)
        sink.flush()


def thread_stacks(pid):
    if shutil.which("gdb") is None:
        return "(no gdb here to show the threads' stacks)"
    try:
        shown = subprocess.run(["gdb", "-nx", "-batch", "-iex", "set debuginfod enabled off", "-p", str(pid),
                                "-ex", "thread apply all bt 30"],
                               capture_output=True, text=True, timeout=60, check=False)
    except subprocess.TimeoutExpired:
        return "(gdb did not answer within 60 s)"
    return "\n".join(line for line in shown.stdout.splitlines() if line.startswith(("#", "Thread")))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--report", required=True, help="the program's XML report, a path of this machine")
    parser.add_argument("--grace", type=float, default=30.0,
                        help="seconds the process may live on after its whole report")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no program to run")

    # A report left by an earlier run is not this run's.
    if os.path.exists(args.report):
        os.remove(args.report)
    program = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, preexec_fn=end_with_runner)
    relays = [threading.Thread(target=relay, args=(pipe, sink.buffer), daemon=True)
              for pipe, sink in ((program.stdout, sys.stdout), (program.stderr, sys.stderr))]
    for thread in relays:
        thread.start()

    verdict, reported_at = None, None
    while program.poll() is None:
        time.sleep(POLL_S)
        if reported_at is None:
            verdict = report_verdict(args.report)
            reported_at = time.time() if verdict is not None else None
        elif time.time() - reported_at > args.grace:
            name = os.path.basename(command[1] if len(command) > 1 else command[0])
            said = (f"wine_suite: {name} wrote its whole report ({'passed' if verdict else 'failed'}),"
                    f" and its process had not ended {args.grace:g} s later: Wine's exit hung, and"
                    " the process was ended")
            stacks = thread_stacks(program.pid)
            program.kill()
            program.wait()
            print(f"{said}. Its threads:\n{stacks}", file=sys.stderr, flush=True)
            with open(os.path.join(os.path.dirname(args.report), HANGS_FILE), "a", encoding="utf-8") as hangs:
                hangs.write(said + "\n")
            return 0 if verdict else 1

    drained_by = time.monotonic() + DRAIN_S
    for thread in relays:
        thread.join(max(0.0, drained_by - time.monotonic()))
    if any(thread.is_alive() for thread in relays):
        print("wine_suite: the program ended, and a process it started still holds its output",
              file=sys.stderr, flush=True)
    return program.returncode


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Flies scenarios with both runners and checks them: the two traces byte for
byte the same, the scenario's expectations met, and, for the scenarios named
with --report, the pictures drawn and the report opened in headless Chromium.

usage: fly_scenarios.py [--native BUILD] [--windows BUILD | --no-windows] [--out DIR]
                        [--report SCENARIO]... [--junit FILE] SCENARIO.json...
  BUILD folders default to build/native and build/windows (the Wine prefix is
  the Windows build's own, BUILD/wineprefix); runs go to DIR/<scenario>/native
  and DIR/<scenario>/windows (default BUILD_NATIVE/scenario-runs), each
  started afresh; --junit writes one test case per check in JUnit XML.
  --no-windows flies the native runner alone, on a machine that cannot run
  32-bit code: each scenario's comparison of the two traces is then skipped,
  and counted as skipped.
Prints one line per check and its time; exit status 0 when every check
passes, 1 when one fails, 2 on bad usage.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import time
import xml.etree.ElementTree as ET

WINE_SERVER_LINGER_S = 20

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import check_expectations  # noqa: E402


class Check:
    """One named check: passed or the reason it failed, and how long it took."""

    def __init__(self, name):
        self.name = name
        self.failure = None
        self.skipped = None  # the reason, for a check that could not run here
        self.seconds = 0.0

    def __enter__(self):
        self.started = time.monotonic()
        return self

    def __exit__(self, *_):
        self.seconds = time.monotonic() - self.started
        verdict = "FAIL" if self.failure is not None else "skip" if self.skipped else "ok  "
        print(f"{verdict} {self.name} ({self.seconds:.1f} s)", flush=True)
        if self.skipped is not None:
            print("     " + self.skipped, flush=True)
        if self.failure is not None:
            print("     " + self.failure.replace("\n", "\n     "), flush=True)


def first_difference(a_path, b_path):
    """The first line (from 1) where two files differ and the two lines (empty past
    a file's end); None when the files are the same bytes."""
    with open(a_path, "rb") as a, open(b_path, "rb") as b:
        lines_a, lines_b = a.read().splitlines(keepends=True), b.read().splitlines(keepends=True)
    for number in range(max(len(lines_a), len(lines_b))):
        line_a = lines_a[number] if number < len(lines_a) else b""
        line_b = lines_b[number] if number < len(lines_b) else b""
        if line_a != line_b:
            return number + 1, line_a, line_b
    return None


def around_difference(line_a, line_b, before=120, after=200):
    """The two lines cut to the stretch around their first differing byte."""
    at = next((i for i, (a, b) in enumerate(zip(line_a, line_b)) if a != b),
              min(len(line_a), len(line_b)))
    start = max(0, at - before)

    def cut(line):
        text = line[start:at + after].decode("utf-8", "replace").rstrip("\n")
        return ("..." if start > 0 else "") + text + ("..." if at + after < len(line) else "")

    return at, cut(line_a), cut(line_b)


def fly_both(args, scenario, run_dir):
    """Starts both runners at once (the native one alone with --no-windows);
    returns the failure of either, or None."""
    runners = {"native": [os.path.join(args.native, "bench", "mertq4-bench")]}
    if not args.no_windows:
        runners["windows"] = ["wine", os.path.join(args.windows, "bin", "mertq4-bench.exe")]
    # Each runner's stderr goes to a file: under Wine a pipe would stay open in
    # the helper processes Wine leaves running, and reading it to its end
    # would wait for them.
    started = {}
    for which, command in runners.items():
        out = os.path.join(run_dir, which)
        shutil.rmtree(out, ignore_errors=True)
        err = open(os.path.join(run_dir, which + ".stderr"), "w+", encoding="utf-8")
        process = subprocess.Popen(command + [scenario, "--out", out],
                                   stdout=subprocess.DEVNULL, stderr=err)
        started[which] = (process, err)
    failures = []
    for which, (process, err) in started.items():
        process.wait()
        err.seek(0)
        message = err.read().strip()
        err.close()
        if process.returncode != 0:
            failures.append(f"the {which} runner failed (exit {process.returncode}): {message}")
    return "\n".join(failures) or None


def report_failure(args, run_dir):
    """Draws the native run, writes its report and opens it in Chromium."""
    steps = [
        [os.path.join(args.native, "bench", "render", "mertq4-render"), run_dir],
        [sys.executable, os.path.join(HERE, "report", "report.py"), run_dir],
        [sys.executable, os.path.join(HERE, "report", "check_report.py"), run_dir],
    ]
    for command in steps:
        result = subprocess.run(command, capture_output=True, text=True)
        if result.returncode != 0:
            tool = os.path.basename(command[1] if command[0] == sys.executable else command[0])
            return f"{tool} failed (exit {result.returncode}): {(result.stderr or result.stdout).strip()}"
    return None


def fly(args, scenario):
    name = os.path.splitext(os.path.basename(scenario))[0]
    run_dir = os.path.join(args.out, name)
    os.makedirs(run_dir, exist_ok=True)
    checks = []

    with Check(f"{name}: both runners, one trace") as same:
        same.failure = fly_both(args, scenario, run_dir)
        if same.failure is None and args.no_windows:
            same.skipped = "no Windows runner: this machine runs no 32-bit code"
        elif same.failure is None:
            native = os.path.join(run_dir, "native", "trace.jsonl")
            windows = os.path.join(run_dir, "windows", "trace.jsonl")
            difference = first_difference(native, windows)
            if difference is not None:
                line, a, b = difference
                column, a, b = around_difference(a, b)
                same.failure = (f"{scenario}: the traces differ first at line {line}, "
                                f"byte {column + 1}\nnative:  {a}\nwindows: {b}")
    checks.append(same)
    if same.failure is not None and not os.path.exists(os.path.join(run_dir, "native", "trace.jsonl")):
        return checks

    with Check(f"{name}: expected sounds") as expected:
        with open(scenario, encoding="utf-8") as f:
            expect = json.load(f).get("expect", {})
        # Each runner's own trace, so that the shipped DLL is held to them
        # even where both traces went wrong alike.
        problems = []
        for which in ("native", "windows"):
            trace = os.path.join(run_dir, which, "trace.jsonl")
            if which == "native" or (not args.no_windows and os.path.exists(trace)):
                lines = check_expectations.trace_lines(trace)
                problems += [f"{scenario} ({which}): {p}" for p in check_expectations.check(expect, *lines)]
        if problems:
            expected.failure = "\n".join(problems)
    checks.append(expected)

    if scenario in args.report:
        with Check(f"{name}: pictures and report in headless Chromium") as report:
            report.failure = report_failure(args, os.path.join(run_dir, "native"))
        checks.append(report)
    return checks


def write_junit(path, checks, suite_name="bench"):
    """Checks (each with name, seconds, failure, skipped) as one JUnit suite."""
    suite = ET.Element("testsuite", name=suite_name, tests=str(len(checks)),
                       failures=str(sum(c.failure is not None for c in checks)))
    for c in checks:
        case = ET.SubElement(suite, "testcase", classname=suite_name, name=c.name,
                             time=f"{c.seconds:.3f}")
        if c.failure is not None:
            ET.SubElement(case, "failure", message=c.failure.split("\n")[0]).text = c.failure
        elif c.skipped is not None:
            ET.SubElement(case, "skipped", message=c.skipped)
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    ET.ElementTree(suite).write(path, encoding="utf-8", xml_declaration=True)


def main(argv):
    parser = argparse.ArgumentParser(add_help=True, usage=__doc__.split("\n\n")[1])
    parser.add_argument("--native", default="build/native")
    parser.add_argument("--windows", default="build/windows")
    parser.add_argument("--no-windows", action="store_true")
    parser.add_argument("--out")
    parser.add_argument("--report", action="append", default=[])
    parser.add_argument("--junit")
    parser.add_argument("scenarios", nargs="+")
    args = parser.parse_args(argv[1:])
    args.out = args.out or os.path.join(args.native, "scenario-runs")
    os.environ.setdefault("WINEPREFIX", os.path.abspath(os.path.join(args.windows, "wineprefix")))
    os.environ.setdefault("WINEDEBUG", "-all")
    os.environ.setdefault("WINEDLLOVERRIDES", "mscoree,mshtml=")

    # One Wine server for every run, kept a little after the last: each runner
    # under Wine then starts in a fraction of a second rather than seconds.
    if not args.no_windows:
        subprocess.run(["wineserver", "-p" + str(WINE_SERVER_LINGER_S)], check=False)

    started = time.monotonic()
    checks = []
    for scenario in args.scenarios:
        checks += fly(args, scenario)
    failed = sum(c.failure is not None for c in checks)
    skipped = sum(c.skipped is not None for c in checks)
    print(f"bench: {len(checks) - failed - skipped} of {len(checks)} checks passed"
          f"{f' ({skipped} skipped)' if skipped else ''} over "
          f"{len(args.scenarios)} scenarios in {time.monotonic() - started:.1f} s")
    if args.junit:
        write_junit(args.junit, checks)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Flies scenarios with every runner and checks them: the native runner's
trace and each Windows runner's (the shipped 32-bit and 64-bit DLLs under
Wine) byte for byte the same (the 64-bit one's less the host component's
lookups, which that build never makes: bench/windows_runners.py), the
scenario's expectations met by each, and,
for the scenarios named with --report, the pictures drawn and the report
opened in headless Chromium.

usage: fly_scenarios.py [--native BUILD] [--windows BUILD | --no-windows]
                        [--windows64 BUILD | --no-windows64] [--out DIR]
                        [--report SCENARIO]... [--junit FILE] SCENARIO.json...
  BUILD folders default to build/native, build/windows and build/windows64
  (each Windows build's Wine prefix is its own, BUILD/wineprefix); runs go to
  DIR/<scenario>/<runner> (default BUILD_NATIVE/scenario-runs), each started
  afresh; --junit writes one test case per check in JUnit XML.
  --no-windows (a machine that runs no 32-bit code) and --no-windows64 (one
  without Wine's 64-bit loader) leave that runner out: its comparison with
  the native trace is then skipped, and counted as skipped.
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
import windows_runners  # noqa: E402

# The Windows runners, each held to the native runner's trace.
WINDOWS_RUNNERS = {"windows": "native and 32-bit runners, one trace",
                   "windows64": "native and 64-bit runners, one trace"}


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


def around_difference(line_a, line_b, before=120, after=200):
    """The two lines cut to the stretch around their first differing byte."""
    at = next((i for i, (a, b) in enumerate(zip(line_a, line_b)) if a != b),
              min(len(line_a), len(line_b)))
    start = max(0, at - before)

    def cut(line):
        text = line[start:at + after].decode("utf-8", "replace").rstrip("\n")
        return ("..." if start > 0 else "") + text + ("..." if at + after < len(line) else "")

    return at, cut(line_a), cut(line_b)


def windows_flown(args):
    """The Windows runners this run flies, by name, with their builds."""
    return {which: getattr(args, which) for which in WINDOWS_RUNNERS
            if not getattr(args, "no_" + which)}


def trace_difference(scenario, which, native_path, path):
    """How runner `which`'s trace differs from the one expected of it, the
    native runner's; None where it is the same bytes."""
    with open(native_path, "rb") as a, open(path, "rb") as b:
        expected, trace = windows_runners.expected_trace(which, a.read()), b.read()
    if which in windows_runners.WITHOUT_HOST_COMPONENT and windows_runners.looks_up_component(trace):
        return f"{scenario}: the {which} runner's module looks for the host component"
    difference = windows_runners.first_difference(expected, trace)
    if difference is None:
        return None
    line, a, b = difference
    column, a, b = around_difference(a, b)
    return (f"{scenario}: the traces differ first at line {line}, byte {column + 1}"
            + (" (the native trace less the host component's lookups)"
               if which in windows_runners.WITHOUT_HOST_COMPONENT else "")
            + f"\nnative:  {a}\n{which}: {b}")


def fly_all(args, scenario, run_dir):
    """Starts every runner at once; returns the failures by runner."""
    runners = {"native": ([os.path.join(args.native, "bench", "mertq4-bench")], None)}
    for which, build in windows_flown(args).items():
        runners[which] = (windows_runners.command(which, build), windows_runners.environment(build))
    # Each runner's stderr goes to a file: under Wine a pipe would stay open in
    # the helper processes Wine leaves running, and reading it to its end
    # would wait for them.
    started = {}
    for which, (command, env) in runners.items():
        out = os.path.join(run_dir, which)
        shutil.rmtree(out, ignore_errors=True)
        err = open(os.path.join(run_dir, which + ".stderr"), "w+", encoding="utf-8")
        process = subprocess.Popen(command + [scenario, "--out", out], env=env,
                                   stdout=subprocess.DEVNULL, stderr=err)
        started[which] = (process, err)
    failures = {}
    for which, (process, err) in started.items():
        process.wait()
        err.seek(0)
        message = err.read().strip()
        err.close()
        if process.returncode != 0:
            failures[which] = f"the {which} runner failed (exit {process.returncode}): {message}"
    return failures


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

    failures = fly_all(args, scenario, run_dir)
    native = os.path.join(run_dir, "native", "trace.jsonl")
    for which, title in WINDOWS_RUNNERS.items():
        with Check(f"{name}: {title}") as same:
            same.failure = "\n".join(failures[w] for w in ("native", which) if w in failures) or None
            if same.failure is None and getattr(args, "no_" + which):
                same.skipped = f"no {which} runner: {args.why_not[which]}"
            elif same.failure is None:
                same.failure = trace_difference(scenario, which, native,
                                                os.path.join(run_dir, which, "trace.jsonl"))
        checks.append(same)
    if "native" in failures:
        return checks

    with Check(f"{name}: expected sounds") as expected:
        with open(scenario, encoding="utf-8") as f:
            expect = json.load(f).get("expect", {})
        # Each runner's own trace, so that the shipped DLL is held to them
        # even where both traces went wrong alike.
        problems = []
        for which in ["native", *windows_flown(args)]:
            trace = os.path.join(run_dir, which, "trace.jsonl")
            if which == "native" or (which not in failures and os.path.exists(trace)):
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
    for which, (_, _, build) in windows_runners.ARCHITECTURES.items():
        parser.add_argument("--" + which, default=build)
        parser.add_argument("--no-" + which, action="store_true")
    parser.add_argument("--out")
    parser.add_argument("--report", action="append", default=[])
    parser.add_argument("--junit")
    parser.add_argument("scenarios", nargs="+")
    args = parser.parse_args(argv[1:])
    args.out = args.out or os.path.join(args.native, "scenario-runs")
    # A runner left out by the command line, or one this machine cannot start.
    args.why_not = {}
    for which in WINDOWS_RUNNERS:
        left_out = getattr(args, "no_" + which)
        reason = f"left out (--no-{which})" if left_out else windows_runners.runs_here(which)
        if reason is not None:
            setattr(args, "no_" + which, True)
            args.why_not[which] = reason

    for build in windows_flown(args).values():
        windows_runners.keep_server(build, WINE_SERVER_LINGER_S)

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

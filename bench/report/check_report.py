#!/usr/bin/env python3
"""Opens DIR/report.html in headless Chromium (Debian's chromium) and checks
that the page loads with no console message and that every picture on it has
loaded with a non-zero size; keeps a screenshot in DIR/report-screenshot.png.

usage: check_report.py [--build] DIR
  --build  first writes the report with report.py

The page's own script writes its verdict into #load-status, which the DOM
dump shows; console messages come from Chromium's log on stderr. Chromium
runs with a fresh profile and no network services. Exit 0 when the page is
sound, 1 when it is not (each problem on stderr), 2 on bad usage.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TIMEOUT_S = 120
WINDOW = "1280,2000"
FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--hide-scrollbars", "--virtual-time-budget=10000",
]


def chromium(profile, *args):
    browser = shutil.which("chromium")
    if browser is None:
        raise SystemExit("check_report.py: chromium not found (Debian package chromium)")
    command = [browser, *FLAGS, f"--user-data-dir={profile}", *args]
    return subprocess.run(command, capture_output=True, text=True, timeout=TIMEOUT_S)


def check(run_dir):
    page = "file://" + os.path.abspath(os.path.join(run_dir, "report.html"))
    if not os.path.exists(os.path.join(run_dir, "report.html")):
        return [f"{run_dir}/report.html: missing"]
    problems = []
    with tempfile.TemporaryDirectory(prefix="mertq4-chromium-") as profile:
        dom = chromium(profile, "--enable-logging=stderr", "--v=0", "--dump-dom", page)
        for line in dom.stderr.splitlines():
            if ":CONSOLE" in line:
                problems.append("console: " + line.split("] ", 1)[-1])
        status = re.search(r'id="load-status" data-state="(\w+)">([^<]*)<', dom.stdout)
        if dom.returncode != 0:
            problems.append(f"chromium exit {dom.returncode}")
        if status is None:
            problems.append("the page's status line is missing from the DOM")
        elif status.group(1) != "ok":
            problems.append(f"pictures: {status.group(2)}")

    with tempfile.TemporaryDirectory(prefix="mertq4-chromium-") as profile:
        shot = os.path.join(run_dir, "report-screenshot.png")
        taken = chromium(profile, f"--window-size={WINDOW}", f"--screenshot={os.path.abspath(shot)}", page)
        if taken.returncode != 0 or not os.path.exists(shot):
            problems.append(f"no screenshot (chromium exit {taken.returncode})")
    return problems


def main(argv):
    args = argv[1:]
    build = "--build" in args
    args = [a for a in args if a != "--build"]
    if len(args) != 1:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    run_dir = args[0]
    if build:
        result = subprocess.run([sys.executable, os.path.join(HERE, "report.py"), run_dir])
        if result.returncode != 0:
            return 1
    problems = check(run_dir)
    for p in problems:
        print(f"check_report.py: {p}", file=sys.stderr)
    if not problems:
        print(f"check_report.py: {run_dir}/report.html loads cleanly; screenshot in report-screenshot.png")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

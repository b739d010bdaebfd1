"""Counts the test cases of every JUnit-style XML report (GoogleTest's, the
bench's) in the given folders, and the checks given as --case NAME=passed|failed,
(or =skipped), and prints one line: N passed, N failed, N skipped. A folder that holds no
report counts as one failed case: the suites that should have written it did
not run. --ctest FILE is ctest's own JUnit report: each of its tests counts as
one case, except a suite that wrote a report of its own in a folder given
(prefix.NAME with NAME.xml), whose cases are counted there; a missing FILE
counts as one failed case."""
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

passed = failed = skipped = 0
folders, ctest_reports = [], []
args = sys.argv[1:]
while args:
    arg = args.pop(0)
    if arg == "--ctest":
        ctest_reports.append(Path(args.pop(0)))
    elif arg == "--case":
        name, _, verdict = args.pop(0).partition("=")
        print(f"{name}: {verdict}")
        if verdict == "passed":
            passed += 1
        elif verdict == "skipped":
            skipped += 1
        else:
            failed += 1
    else:
        folders.append(arg)


def count(cases):
    """Adds each case to the totals; returns how many there were."""
    global passed, failed, skipped
    n = 0
    for case in cases:
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
        elif case.get("result") == "skipped" or case.find("skipped") is not None \
                or case.get("status") in ("notrun", "disabled"):
            skipped += 1
        else:
            passed += 1
        n += 1
    return n


reported = set()
for folder in folders:
    reports = sorted(Path(folder).glob("*.xml"))
    if not reports:
        print(f"{folder}: no test results")
        failed += 1
        continue
    n = 0
    for report in reports:
        reported.add(report.stem)
        n += count(ET.parse(report).getroot().iter("testcase"))
    print(f"{folder}: {n} test cases")
for report in ctest_reports:
    if not report.exists():
        print(f"{report}: no ctest report")
        failed += 1
        continue
    cases = [c for c in ET.parse(report).getroot().iter("testcase")
             if c.get("name", "").partition(".")[2] not in reported]
    print(f"{report}: {count(cases)} tests without a report of their own")
print(f"{passed} passed, {failed} failed, {skipped} skipped")
sys.exit(1 if failed else 0)

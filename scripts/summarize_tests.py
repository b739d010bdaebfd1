"""Counts the test cases of every JUnit-style XML report (GoogleTest's, the
bench's) in the given folders, and the checks given as --case NAME=passed|failed,
(or =skipped), and prints one line: N passed, N failed, N skipped. A folder that holds no
report counts as one failed case: the suites that should have written it did
not run."""
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

passed = failed = skipped = 0
folders = []
args = sys.argv[1:]
while args:
    arg = args.pop(0)
    if arg == "--case":
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
for folder in folders:
    counts = [0, 0]
    reports = sorted(Path(folder).glob("*.xml"))
    if not reports:
        print(f"{folder}: no test results")
        failed += 1
        continue
    for report in reports:
        for case in ET.parse(report).getroot().iter("testcase"):
            if case.find("failure") is not None or case.find("error") is not None:
                failed += 1
            elif case.get("result") == "skipped" or case.find("skipped") is not None:
                skipped += 1
            else:
                passed += 1
                counts[0] += 1
            counts[1] += 1
    print(f"{folder}: {counts[1]} test cases")
print(f"{passed} passed, {failed} failed, {skipped} skipped")
sys.exit(1 if failed else 0)

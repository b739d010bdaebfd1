"""Counts the test cases of every suite in the given GoogleTest XML folders and prints one line."""
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

passed = failed = skipped = 0
for folder in sys.argv[1:]:
    counts = [0, 0]
    for report in sorted(Path(folder).glob("*.xml")):
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

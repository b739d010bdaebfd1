"""The Wine suites' runner, with stand-in programs: its verdict and how long it
waits, for a program that ends, one whose end hangs after its report, and one
that leaves a process holding its output."""
import os
import subprocess
import sys
import tempfile
import time
import unittest

RUNNER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "wine_suite.py")
PASSED = '<testsuites tests="2" failures="0" errors="0"></testsuites>'
FAILED = '<testsuites tests="2" failures="1" errors="0"></testsuites>'


class WineSuiteRunner(unittest.TestCase):
    def test_verdicts_and_waits(self):
        cases = [
            # (what the program does, exit code, longest wait in s, hang noted)
            ("echo said; exit 3", 3, 5, False),
            ("echo '{passed}' > $R; sleep 60", 0, 8, True),
            ("echo '{failed}' > $R; sleep 60", 1, 8, True),
            ("echo '<testsuites' > $R; sleep 1; echo '{passed}' > $R; exit 0", 0, 8, False),
            ("sleep 60 & echo started", 0, 10, False),
        ]
        for script, code, longest_s, noted in cases:
            with self.subTest(script), tempfile.TemporaryDirectory() as folder:
                report = os.path.join(folder, "suite.xml")
                script = script.format(passed=PASSED, failed=FAILED)
                began = time.monotonic()
                run = subprocess.run([sys.executable, RUNNER, "--report", report, "--grace", "0.5",
                                      "--", "sh", "-c", script],
                                     capture_output=True, text=True, timeout=30,
                                     env={**os.environ, "R": report})
                self.assertEqual(run.returncode, code, run.stderr)
                self.assertLess(time.monotonic() - began, longest_s)
                self.assertEqual(os.path.exists(os.path.join(folder, "wine-exit-hangs.txt")), noted)
                if script.startswith("echo said") or script.startswith("sleep"):
                    self.assertRegex(run.stdout, "said|started")


if __name__ == "__main__":
    unittest.main()

#!/usr/bin/env python3
"""The profile splitter on a crafted callgrind profile: whose instructions are
whose, which calls are allocations and host calls, and the budget's verdict."""

import contextlib
import io
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import split_profile  # noqa: E402

# Two frames. The module spends 30 of its own, calls snprintf (libc, 400
# inclusive), operator new once, its own helper (self 10, not counted twice)
# and the host model's read_named_variable twice; the host model spends the
# rest, and its own call to libc is the host model's.
PROFILE = """# callgrind format
version: 1
positions: line
events: Ir
summary: 2000

ob=/build/frame_instructions
fl=host.cpp
fn=hostmodel::Host::frame()
0 500
cob=/lib/libc.so.6
cfn=memcpy
calls=4 0
0 60

ob=/build/libmertq4_module.so
fl=sound_link.cpp
fn=double gauges::(anonymous namespace)::show_copy<3ul>(host::ElementHeader*)
0 30
cob=/lib/libc.so.6
cfn=snprintf
calls=2 0
0 400
cob=/lib/libstdc++.so.6
cfn=operator new(unsigned long)
calls=1 0
0 40
cfn=module::helper()
calls=2 0
0 10
cob=/build/frame_instructions
cfn=hostmodel::core::(anonymous namespace)::read_named_variable(int)
calls=4 0
0 80
fn=module::helper()
0 10
"""


def run(*args):
    with tempfile.NamedTemporaryFile("w", suffix=".out", delete=False) as profile:
        profile.write(PROFILE)
    out = io.StringIO()
    try:
        sys.argv = ["split_profile.py", profile.name, "2", *args]
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(io.StringIO()):
            status = split_profile.main()
    finally:
        os.unlink(profile.name)
    return status, out.getvalue().splitlines()


class SplitProfile(unittest.TestCase):
    def test_split(self):
        status, lines = run()
        self.assertEqual(status, 0)
        rows = {line.split(None, 1)[1]: line.split()[0] for line in lines[1:-1]}
        self.assertEqual(rows["module code"], "20", "its own 30 and its helper's 10, over 2 frames")
        self.assertEqual(rows["libc and libm called by the module"], "220", "snprintf and operator new")
        self.assertEqual(rows["host model"], "760", "everything else, the host's own libc call too")
        self.assertEqual(rows["heap allocations by module code"], "0.50")
        self.assertEqual(rows["read_named_variable"], "2.00", "named by the function, not its namespaces")
        self.assertEqual(lines[-1], "module and libc: 240 instructions per frame")

    def test_budget(self):
        cases = [
            (240, 0, "exactly at the budget passes"),
            (239, 1, "one instruction over fails"),
        ]
        for budget, expected, reason in cases:
            self.assertEqual(run("--budget", str(budget))[0], expected, reason)

    def test_unqualified_names(self):
        cases = [
            ("hostmodel::(anonymous namespace)::play_sound(char const*)", "play_sound", "namespaces go"),
            ("void a::tach<a::(anonymous namespace)::e1n1>(int)", "tach", "template arguments go"),
            ("operator new(unsigned long)", "operator new", "an operator keeps its name"),
            ("malloc", "malloc", "a C name stays"),
        ]
        for function, name, reason in cases:
            self.assertEqual(split_profile.unqualified(function), name, reason)


if __name__ == "__main__":
    unittest.main()

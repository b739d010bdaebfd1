"""The bench's Windows runners, one per Windows build: mertq4-bench.exe of the
32-bit build under Wine's 32-bit loader, and of the 64-bit build under its
64-bit loader (Debian's wine64, which needs no 32-bit code of the machine).
Each runs in its build's own Wine prefix, BUILD/wineprefix.

ARCHITECTURES names them by the runner's name in runs ("windows",
"windows64"); command() and environment() start one; runs_here() tells
whether this machine can start it, and why not.

The runners write the native runner's trace, byte for byte, but for one call
the 64-bit host's build never makes: it does not look for the host component
(its status bytes have a known place in the 32-bit host alone), so its trace
is the native one without those lookups (expected_trace()).

usage: windows_runners.py same-flight REFERENCE_TRACE TRACE_64
  exit status 0 when a 64-bit runner's trace is the one expected of it from a
  native or 32-bit runner's trace of the same flight, 1 with the first
  difference otherwise."""

import os
import re
import subprocess
import sys

WINE32 = "wine"
WINE64 = "/usr/lib/wine/wine64"

# runner name -> (the Wine loader, the machine it needs, the default build)
ARCHITECTURES = {
    "windows": (WINE32, "32-bit", "build/windows"),
    "windows64": (WINE64, "64-bit", "build/windows64"),
}
# The runners whose module never looks for the host component.
WITHOUT_HOST_COMPONENT = {"windows64"}

# A lookup of the host component as the trace writes it: its module handle
# (found or not), then its "Linkage" export where it was found.
COMPONENT_LOOKUP = (rb'\{"loader":"GetModuleHandleA","name":"GLOBAL\.DLL","result":(?:null|"GLOBAL\.DLL")\}'
                    rb'|\{"loader":"GetProcAddress","name":"Linkage","module":"GLOBAL\.DLL","result":(?:true|false)\}')
_IN_EVENTS = [re.compile(rb"," + b"(?:" + COMPONENT_LOOKUP + b")"),
              re.compile(b"(?:" + COMPONENT_LOOKUP + b"),"),
              re.compile(COMPONENT_LOOKUP)]


def expected_trace(which, reference):
    """The trace runner `which` must write, from the native (or 32-bit) runner's
    trace of the same flight, as bytes."""
    if which not in WITHOUT_HOST_COMPONENT:
        return reference
    for pattern in _IN_EVENTS:
        reference = pattern.sub(b"", reference)
    return reference


def looks_up_component(trace):
    """Whether a trace, as bytes, holds a lookup of the host component."""
    return re.search(COMPONENT_LOOKUP, trace) is not None


def environment(build, base=None):
    """The environment of a Windows program of `build`: its own prefix."""
    env = dict(os.environ if base is None else base)
    env["WINEPREFIX"] = os.path.abspath(os.path.join(build, "wineprefix"))
    env.setdefault("WINEDEBUG", "-all")
    env.setdefault("WINEDLLOVERRIDES", "mscoree,mshtml=")
    return env


def command(which, build, program="mertq4-bench.exe"):
    """The command line that starts `program` of the build under its Wine."""
    return [ARCHITECTURES[which][0], os.path.join(build, "bin", program)]


def runs_here(which):
    """None where this machine runs the architecture's Wine, else the reason."""
    loader, bits, _ = ARCHITECTURES[which]
    probe = ["/lib/ld-linux.so.2", "--version"] if loader == WINE32 else [loader, "--version"]
    try:
        subprocess.run(probe, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    except (OSError, subprocess.CalledProcessError):
        return f"this machine cannot start {bits} Wine"
    return None


def keep_server(build, seconds):
    """The build's Wine server kept `seconds` after its last program: each runner
    under Wine then starts in a fraction of a second rather than seconds."""
    subprocess.run(["wineserver", f"-p{seconds}"], env=environment(build), check=False)


def first_difference(a, b):
    """The first line (from 1) where two traces, as bytes, differ and the two
    lines (empty past a trace's end); None when they are the same bytes."""
    lines_a, lines_b = a.splitlines(keepends=True), b.splitlines(keepends=True)
    for number in range(max(len(lines_a), len(lines_b))):
        line_a = lines_a[number] if number < len(lines_a) else b""
        line_b = lines_b[number] if number < len(lines_b) else b""
        if line_a != line_b:
            return number + 1, line_a, line_b
    return None


def main(argv):
    if len(argv) != 4 or argv[1] != "same-flight":
        print(__doc__.split("\n\n")[-1], file=sys.stderr)
        return 2
    with open(argv[2], "rb") as f:
        expected = expected_trace("windows64", f.read())
    with open(argv[3], "rb") as f:
        trace = f.read()
    difference = first_difference(expected, trace)
    if difference is not None:
        print(f"{argv[3]}: differs from the trace expected of it first at line {difference[0]}",
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

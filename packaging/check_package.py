#!/usr/bin/env python3
"""Packs the built module, sound set and sound library twice into two folders
and checks the two zips are the same bytes, that the zip holds every sound
the module plays, under the name it plays it by, and that it carries the
sound library beside the module: a 32-bit x86 library exporting exactly the
module's three sound calls, with the package's version in its version
resource.

Inputs: --module MERTQ4.gau, --sounds the sound set's folder, --sound-library
GaugeSound.dll. Exit status 0
when both hold, 1 with the reason otherwise."""

import argparse
import os
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import module_interface  # noqa: E402
import package  # noqa: E402

PACKAGER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "package.py")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--module", required=True)
    ap.add_argument("--sounds", required=True)
    ap.add_argument("--sound-library", required=True)
    args = ap.parse_args()
    problems = package.sound_library_problems(args.sound_library, package.read_version())
    if problems:
        print("check_package: " + "; ".join(problems), file=sys.stderr)
        return 1
    with tempfile.TemporaryDirectory() as work:
        zips = []
        for out in ("first", "second"):
            done = subprocess.run([sys.executable, PACKAGER, "--module", args.module,
                                   "--sounds", args.sounds,
                                   "--sound-library", args.sound_library, "--out", os.path.join(work, out)],
                                  capture_output=True, text=True)
            if done.returncode != 0:
                print(f"check_package: the packager failed: {done.stderr.strip()}", file=sys.stderr)
                return 1
            zips.append(done.stdout.strip())
        with open(zips[0], "rb") as a, open(zips[1], "rb") as b:
            if a.read() != b.read():
                print("check_package: two packs of the same inputs differ", file=sys.stderr)
                return 1
        names = set(zipfile.ZipFile(zips[0]).namelist())
        played = module_interface.read_file(args.module)["sound"]
        missing = [p for p in played if p.replace("\\", "/") not in names]
        if missing:
            print(f"check_package: not in the zip: {', '.join(missing)}", file=sys.stderr)
            return 1
        with zipfile.ZipFile(zips[0]) as z, open(args.sound_library, "rb") as f:
            if package.SOUND_LIBRARY not in names or z.read(package.SOUND_LIBRARY) != f.read():
                print(f"check_package: {package.SOUND_LIBRARY} is not beside the module",
                      file=sys.stderr)
                return 1
        print(f"check_package: {os.path.basename(zips[0])}, {os.path.getsize(zips[0])} bytes, "
              f"{len(names)} files, {len(played)} sounds, {package.SOUND_LIBRARY} exporting "
              f"{', '.join(package.SOUND_CALLS)}, reproducible")
    return 0


if __name__ == "__main__":
    sys.exit(main())

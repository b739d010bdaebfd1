#!/usr/bin/env python3
"""Packs the built module and sound set twice into two folders and checks the
two zips are the same bytes and that the zip holds every sound the module
plays, under the name it plays it by.

Inputs: --module MERTQ4.gau, --sounds the sound set's folder. Exit status 0
when both hold, 1 with the reason otherwise."""

import argparse
import os
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import module_interface  # noqa: E402

PACKAGER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "package.py")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--module", required=True)
    ap.add_argument("--sounds", required=True)
    args = ap.parse_args()
    with tempfile.TemporaryDirectory() as work:
        zips = []
        for out in ("first", "second"):
            done = subprocess.run([sys.executable, PACKAGER, "--module", args.module,
                                   "--sounds", args.sounds, "--out", os.path.join(work, out)],
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
        print(f"check_package: {os.path.basename(zips[0])}, {os.path.getsize(zips[0])} bytes, "
              f"{len(names)} files, {len(played)} sounds, reproducible")
    return 0


if __name__ == "__main__":
    sys.exit(main())

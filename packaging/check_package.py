#!/usr/bin/env python3
"""Packs the two builds' modules and sound libraries and the sound set twice
into two folders and checks each library first: built for its build's
machine, exporting exactly its calls, with the package's version in its
version resource. Then checks the two zips are the same bytes, that the zip
holds every sound the modules play, under the name they play it by, and that
it carries the 32-bit pair at its root and the 64-bit pair under 64-bit/,
byte for byte the files given.

Inputs: --module MERTQ4.gau and --sound-library GaugeSound.dll of the 32-bit
build, --module-64 and --sound-library-64 of the 64-bit one, --sounds the
sound set's folder. Exit status 0 when all hold, 1 with the reason
otherwise."""

import argparse
import os
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import module_interface  # noqa: E402
import package  # noqa: E402
import pe_image  # noqa: E402

PACKAGER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "package.py")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    package.add_pair_flags(ap)
    ap.add_argument("--sounds", required=True, help="the folder of the modules' WAV files")
    args = ap.parse_args()
    pairs = package.pairs_from(args)
    problems = package.pair_problems(pairs, package.read_version())
    if problems:
        print("check_package: " + "; ".join(problems), file=sys.stderr)
        return 1
    with tempfile.TemporaryDirectory() as work:
        zips = []
        for out in ("first", "second"):
            done = subprocess.run([sys.executable, PACKAGER, *package.pair_flags(pairs),
                                   "--sounds", args.sounds,
                                   "--out", os.path.join(work, out)],
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
        played = sorted({s for p in pairs for s in module_interface.read_file(p.module)["sound"]})
        missing = [p for p in played if p.replace("\\", "/") not in names]
        if missing:
            print(f"check_package: not in the zip: {', '.join(missing)}", file=sys.stderr)
            return 1
        with zipfile.ZipFile(zips[0]) as z:
            for pair in pairs:
                for name, file in package.pair_entries(pair):
                    with open(file, "rb") as f:
                        if name not in names or z.read(name) != f.read():
                            print(f"check_package: {name} in the zip is not {file}", file=sys.stderr)
                            return 1
        placed = " and ".join(f"the {pe_image.machine_name(p.build.machine)} pair "
                              f"{'under ' + p.build.folder if p.build.folder else 'at the root'}"
                              for p in pairs)
        print(f"check_package: {os.path.basename(zips[0])}, {os.path.getsize(zips[0])} bytes, "
              f"{len(names)} files, {len(played)} sounds; {placed}, each a {package.MODULE} exporting "
              f"{', '.join(package.MODULE_CALLS)} and a {package.SOUND_LIBRARY} exporting "
              f"{', '.join(package.SOUND_CALLS)}, version {package.read_version()}; reproducible")
    return 0


if __name__ == "__main__":
    sys.exit(main())

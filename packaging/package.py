#!/usr/bin/env python3
"""Makes the package a panel designer installs, dist/MERTQ4-<version>.zip, and
the sample panel block that places all sixteen gauges.

Inputs: two pairs of a module and its sound library, --module MERTQ4.gau and
--sound-library GaugeSound.dll from the 32-bit Windows build (bin/ and
bin/gaugesound/), --module-64 and --sound-library-64 from the 64-bit one;
--sounds the folder of the WAV files the modules play (the 32-bit build's
sound/MERTQ4/), VERSION, docs/manual.md with its pictures
(docs/manual/<gauge>.png, at each gauge's native size), LICENSE and
CHANGELOG.md. Output: the zip's path on stdout, the 32-bit pair at its root
where 32-bit hosts have always found it, the 64-bit pair under 64-bit/. The
archive is reproducible: fixed timestamps, permissions and entry order, so
the same inputs give the same bytes. The package fails on a sound the module
plays that is missing; on a library built for the other machine, exporting
other than exactly its calls (the host's two from the module, the module's
three sound calls from the sound library) or stating another version in its
version resource; and on two modules that differ in gauges, named variables
or sounds."""

import argparse
import io
import os
import struct
import sys
import zipfile
from typing import NamedTuple

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import module_interface  # noqa: E402
import pe_image  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The sample panel's rows, top to bottom: flight instruments; tachometers and
# the altitude alerter's knob; EPR indicators with their knobs, the sign
# switches and the two invisible sound-making gauges.
PANEL_ROWS = (
    ("MERTQ4ASPD", "MERTQ4VSI", "MERTQ4RADALT", "MERTQ4ALTALRT"),
    ("MERTQ4_E1N1", "MERTQ4_E2N1", "MERTQ4_E1N2", "MERTQ4_E2N2", "MERTQ4ALTALRTKNB"),
    ("MERTQ4_EPR1", "MERTQ4_EPRKNB1", "MERTQ4_EPR2", "MERTQ4_EPRKNB2", "MERTQ4SGN",
     "MERTQ4ComLnk", "MERTQ4GPWS"),
)
PANEL_ORDER = tuple(name for row in PANEL_ROWS for name in row)
GAP_PX = 8
# What the host looks up in a gauge module, and all the module exports.
MODULE = "MERTQ4.gau"
MODULE_CALLS = ["ImportTable", "Linkage"]
# The calls the module makes of its sound library, and all the library offers.
SOUND_LIBRARY = "GaugeSound.dll"
SOUND_CALLS = ["GaugePlaySound", "GaugeStopSound", "TerminateSounds"]
FIXED_TIME = (1980, 1, 1, 0, 0, 0)  # the earliest a zip entry can carry


class PackageError(Exception):
    pass


class Build(NamedTuple):
    """One Windows build's pair of a module and its sound library in the package."""
    flag_suffix: str  # its flags: --module<suffix>, --sound-library<suffix>
    machine: int      # what both its libraries are built for
    folder: str       # where its pair lies in the zip; "" is the root

    @property
    def module_flag(self):
        return "--module" + self.flag_suffix

    @property
    def sound_library_flag(self):
        return "--sound-library" + self.flag_suffix


# The 32-bit pair first, at the root where 32-bit hosts have always found it.
BUILDS = (
    Build(flag_suffix="",    machine=pe_image.I386,  folder=""),
    Build(flag_suffix="-64", machine=pe_image.AMD64, folder="64-bit/"),
)


class Pair(NamedTuple):
    build: Build
    module: str         # the path of its MERTQ4.gau
    sound_library: str  # the path of its GaugeSound.dll


# What a module names, as messages say it.
INTERFACE_WORDS = {"gauge": "gauges", "variable": "named variables", "sound": "sounds"}


def png_size(path):
    """(width, height) from a PNG's header."""
    with open(path, "rb") as f:
        head = f.read(24)
    if len(head) < 24 or head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        raise PackageError(f"{path} is not a PNG")
    return struct.unpack(">II", head[16:24])


def layout(sizes):
    """[(name, x, y, w, h)] in PANEL_ROWS, GAP_PX apart; no two overlap."""
    placed, y = [], 0
    for row in PANEL_ROWS:
        x = 0
        for name in row:
            w, h = sizes[name]
            placed.append((name, x, y, w, h))
            x += w + GAP_PX
        y += max(sizes[name][1] for name in row) + GAP_PX
    return placed


def overlapping(placed):
    """Pairs of names whose rectangles share a pixel."""
    out = []
    for i, (a, ax, ay, aw, ah) in enumerate(placed):
        for b, bx, by, bw, bh in placed[i + 1:]:
            if ax < bx + bw and bx < ax + aw and ay < by + bh and by < ay + ah:
                out.append((a, b))
    return out


def panel_sample(pictures_dir, version):
    sizes = {}
    for name in PANEL_ORDER:
        path = os.path.join(pictures_dir, name + ".png")
        if not os.path.isfile(path):
            raise PackageError(f"{path} is missing: run scripts/manual-pictures")
        sizes[name] = png_size(path)
    placed = layout(sizes)
    assert not overlapping(placed), overlapping(placed)
    width = max(x + w for _, x, _, w, _ in placed)
    height = max(y + h for _, _, y, _, h in placed)
    lines = [
        f"// MERTQ4 {version}: all sixteen gauges at their native sizes, {width} x {height} pixels.",
        "// Paste under the section of a panel window that is open when the aircraft",
        "// loads (MERTQ4ComLnk and MERTQ4GPWS make the sounds), renumbering gaugeNN",
        "// after that window's own gauges. Place each gauge once.",
    ]
    lines += [f"gauge{n:02d}=MERTQ4!{name}, {x}, {y}, {w}, {h}"
              for n, (name, x, y, w, h) in enumerate(placed)]
    return "\r\n".join(lines) + "\r\n"


def sound_files(module_path, sounds_dir):
    """[(archive name, file)] for every sound the module plays; fails on any missing."""
    paths = module_interface.read_file(module_path)["sound"]
    if not paths:
        raise PackageError(f"{module_path} names no sound: is it MERTQ4.gau?")
    seen, missing, out = {}, [], []
    for p in paths:
        base = p.split("\\")[-1]
        if base.lower() in seen:
            raise PackageError(f"{p} and {seen[base.lower()]} are one file to Windows")
        seen[base.lower()] = p
        file = os.path.join(sounds_dir, base)
        if not os.path.isfile(file):
            missing.append(base)
        out.append(("sound/MERTQ4/" + base, file))
    if missing:
        raise PackageError(
            f"{len(missing)} of the {len(paths)} sounds the module plays are missing from "
            f"{sounds_dir}: {', '.join(missing)} (build the Windows build's sound_set target)")
    return out


def library_problems(flag, path, machine, calls, version):
    """What is wrong with the library given as flag, as a list of sentences."""
    where = f"{flag} {path}"
    try:
        image = pe_image.read_file(path)
    except (pe_image.ImageError, OSError) as e:
        return [f"{where} cannot be read as a Windows library: {e}"]
    problems = []
    if image["machine"] != machine:
        problems.append(f"{where} is built for {pe_image.machine_name(image['machine'])}, "
                        f"not {pe_image.machine_name(machine)}")
    if image["exports"] != sorted(calls):
        problems.append(f"{where} exports {image['exports']}, not exactly {sorted(calls)}")
    if image["version"] != version:
        problems.append(f"{where} states version {image['version']}, not {version}")
    return problems


def _only_in(names, others):
    return ", ".join(sorted(set(names) - set(others))) or "none"


def interface_differences(reference, other):
    """Sentences on what one pair's module names that the reference pair's does not, and back."""
    ours, theirs = (module_interface.read_file(p.module) for p in (reference, other))
    ours_name, theirs_name = (pe_image.machine_name(p.build.machine) for p in (reference, other))
    out = []
    for kind, words in INTERFACE_WORDS.items():
        if ours[kind] != theirs[kind]:
            out.append(f"the {theirs_name} module {other.build.module_flag} {other.module} names other "
                       f"{words} than the {ours_name} one {reference.build.module_flag} {reference.module}: "
                       f"only in the {theirs_name} one: {_only_in(theirs[kind], ours[kind])}; "
                       f"only in the {ours_name} one: {_only_in(ours[kind], theirs[kind])}")
    return out


def pair_problems(pairs, version):
    """What is wrong with the pairs, one per Build, as a list of sentences."""
    problems = []
    for pair in pairs:
        build = pair.build
        problems += library_problems(build.module_flag, pair.module, build.machine, MODULE_CALLS, version)
        problems += library_problems(build.sound_library_flag, pair.sound_library, build.machine,
                                     SOUND_CALLS, version)
    if not problems:
        for pair in pairs[1:]:
            problems += interface_differences(pairs[0], pair)
    return problems


def pair_entries(pair):
    """[(archive name, file)] of one pair, in its build's folder."""
    return [(pair.build.folder + MODULE, pair.module),
            (pair.build.folder + SOUND_LIBRARY, pair.sound_library)]


def entries(pairs, sounds_dir, version):
    """[(archive name, bytes)] in the archive's fixed order; pairs in BUILDS' order."""
    def read(path):
        with open(path, "rb") as f:
            return f.read()
    pictures = os.path.join(ROOT, "docs", "manual")
    assert [p.build for p in pairs] == list(BUILDS), "one pair per build, in BUILDS' order"
    problems = pair_problems(pairs, version)
    if problems:
        raise PackageError("; ".join(problems))
    out = [(name, read(file)) for pair in pairs for name, file in pair_entries(pair)]
    out += [(name, read(file)) for name, file in sound_files(pairs[0].module, sounds_dir)]
    out.append(("panel/panel.cfg.sample", panel_sample(pictures, version).encode("ascii")))
    out.append(("docs/manual.md", read(os.path.join(ROOT, "docs", "manual.md"))))
    out += [("docs/manual/" + f, read(os.path.join(pictures, f)))
            for f in sorted(os.listdir(pictures)) if f.endswith(".png")]
    out += [(f, read(os.path.join(ROOT, f))) for f in ("LICENSE", "CHANGELOG.md")]
    return out


def write_zip(path, items):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as z:
        for name, data in items:
            info = zipfile.ZipInfo(name, date_time=FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3
            info.external_attr = 0o644 << 16
            z.writestr(info, data, compresslevel=9)
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    temporary = path + ".part"
    with open(temporary, "wb") as f:
        f.write(buffer.getvalue())
    os.replace(temporary, path)


def read_version():
    with open(os.path.join(ROOT, "VERSION"), encoding="ascii") as f:
        return f.read().strip()


def add_pair_flags(ap):
    """--module and --sound-library for each build: --module-64 for the 64-bit one and so on."""
    for build in BUILDS:
        name = pe_image.machine_name(build.machine)
        ap.add_argument(build.module_flag, dest=build.module_flag, metavar="PATH", required=True,
                        help=f"the {name} build's {MODULE}")
        ap.add_argument(build.sound_library_flag, dest=build.sound_library_flag, metavar="PATH",
                        required=True, help=f"the {name} build's {SOUND_LIBRARY}")


def pairs_from(args):
    """The pairs add_pair_flags' flags name, in BUILDS' order."""
    given = vars(args)
    return [Pair(build, given[build.module_flag], given[build.sound_library_flag]) for build in BUILDS]


def pair_flags(pairs):
    """The command line's flags that name the pairs, as add_pair_flags reads them."""
    return [arg for p in pairs for arg in (p.build.module_flag, p.module,
                                           p.build.sound_library_flag, p.sound_library)]


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    add_pair_flags(ap)
    ap.add_argument("--sounds", required=True, help="the folder of the module's WAV files")
    ap.add_argument("--out", default=os.path.join(ROOT, "dist"), help="the folder of the zip")
    ap.add_argument("--panel-sample", help="also write the panel block to this file")
    args = ap.parse_args()
    try:
        version = read_version()
        items = entries(pairs_from(args), args.sounds, version)
        path = os.path.join(args.out, f"MERTQ4-{version}.zip")
        write_zip(path, items)
        if args.panel_sample:
            with open(args.panel_sample, "wb") as f:
                f.write(dict(items)["panel/panel.cfg.sample"])
    except (PackageError, OSError) as e:
        print(f"package: {e}", file=sys.stderr)
        return 1
    print(os.path.abspath(path))
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Makes the package a panel designer installs, dist/MERTQ4-<version>.zip, and
the sample panel block that places all sixteen gauges.

Inputs: --module MERTQ4.gau, --sounds the folder of the WAV files it plays
(the Windows build's sound/MERTQ4/), --sound-library the GaugeSound.dll that
plays them (the Windows build's bin/gaugesound/), VERSION, docs/manual.md with its
pictures (docs/manual/<gauge>.png, at each gauge's native size), LICENSE and
CHANGELOG.md. Output: the zip's path on stdout. The archive is reproducible:
fixed timestamps, permissions and entry order, so the same inputs give the
same bytes. A sound the module plays that is missing fails the package, and
so does a sound library that is not a 32-bit x86 library exporting exactly
the module's three sound calls, with this version in its version resource."""

import argparse
import io
import os
import struct
import sys
import zipfile

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
# The calls the module makes of its sound library, and all the library offers.
SOUND_LIBRARY = "GaugeSound.dll"
SOUND_CALLS = ["GaugePlaySound", "GaugeStopSound", "TerminateSounds"]
FIXED_TIME = (1980, 1, 1, 0, 0, 0)  # the earliest a zip entry can carry


class PackageError(Exception):
    pass


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


def sound_library_problems(path, version):
    """What is wrong with the sound library at path, as a list of sentences."""
    try:
        image = pe_image.read_file(path)
    except (pe_image.ImageError, OSError) as e:
        return [f"{path} cannot be read as a Windows library: {e}"]
    problems = []
    if image["machine"] != pe_image.I386:
        problems.append(f"{path} is built for machine {image['machine']:#x}, not 32-bit x86 (0x14c)")
    if image["exports"] != sorted(SOUND_CALLS):
        problems.append(f"{path} exports {image['exports']}, not exactly {sorted(SOUND_CALLS)}")
    if image["version"] != version:
        problems.append(f"{path} states version {image['version']}, not {version}")
    return problems


def entries(module_path, sounds_dir, version, sound_library):
    """[(archive name, bytes)] in the archive's fixed order."""
    def read(path):
        with open(path, "rb") as f:
            return f.read()
    pictures = os.path.join(ROOT, "docs", "manual")
    problems = sound_library_problems(sound_library, version)
    if problems:
        raise PackageError("; ".join(problems))
    out = [("MERTQ4.gau", read(module_path)), (SOUND_LIBRARY, read(sound_library))]
    out += [(name, read(file)) for name, file in sound_files(module_path, sounds_dir)]
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


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--module", required=True, help="the built MERTQ4.gau")
    ap.add_argument("--sounds", required=True, help="the folder of the module's WAV files")
    ap.add_argument("--sound-library", required=True, help="the built GaugeSound.dll")
    ap.add_argument("--out", default=os.path.join(ROOT, "dist"), help="the folder of the zip")
    ap.add_argument("--panel-sample", help="also write the panel block to this file")
    args = ap.parse_args()
    try:
        version = read_version()
        items = entries(args.module, args.sounds, version, args.sound_library)
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

#!/usr/bin/env python3
"""Tests of the packager and the stable-interface check on crafted modules
and sound folders: reproducible bytes, no sound skipped, the panel block's
layout, and the version rule of an interface change."""

import os
import re
import struct
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import module_interface  # noqa: E402
import package  # noqa: E402
import pe_image  # noqa: E402
import stable_interface as si  # noqa: E402

sys.path.insert(0, os.path.join(package.ROOT, "resources", "sounds"))
from sound_table import SOUNDS  # noqa: E402

# A crafted module: the strings as the linker lays them out, with neighbours.
MODULE = (b"\x01\x02MERTQ4ASPD\x00xMERTQ4GPWS\x00MERTQ4.gau\x00XMLBus\x00XMLBus = %.0f\x00"
          b"Asound\\MERTQ4\\TQ4MIN.wav\x00sound\\MERTQ4\\Tq4SplExt.wav\x00")
CHANGELOG = "## [1.0.0] - 2026-12-08\n"


def crafted_library(names=package.SOUND_CALLS, machine=pe_image.I386, version="1.0.0", tail=b""):
    """A PE image (PE32+ for x86-64) with one section holding an export
    directory of `names`, a version resource string and `tail`, laid out as
    the linker lays them out."""
    section_rva, section_at = 0x1000, 0x200
    names_rva = section_rva + 40
    strings_rva = names_rva + 4 * len(names)
    strings, rvas = b"", []
    for name in names:
        rvas.append(strings_rva + len(strings))
        strings += name.encode() + b"\0"
    body = struct.pack("<IIHHIIIIIII", 0, 0, 0, 0, 0, 1, len(names), len(names), 0, names_rva, 0)
    body += b"".join(struct.pack("<I", r) for r in rvas) + strings
    if version:
        body += b"\0\0" + ("FileVersion\0\0" + version + "\0").encode("utf-16-le")
    body += tail
    # (magic, data directories' offset, optional header's size) as the linker writes them
    magic, directories_at, size = (0x20B, 112, 240) if machine == pe_image.AMD64 else (0x10B, 96, 224)
    optional = struct.pack("<H", magic) + bytes(directories_at - 2)
    optional += struct.pack("<II", section_rva, len(body))
    optional += bytes(size - len(optional))
    head = b"MZ" + bytes(58) + struct.pack("<I", 64)
    head += b"PE\0\0" + struct.pack("<HHIIIHH", machine, 1, 0, 0, 0, len(optional), 0) + optional
    head += struct.pack("<8sIIIIIIHHI", b".edata", len(body), section_rva, len(body), section_at,
                        0, 0, 0, 0, 0)
    return head + bytes(section_at - len(head)) + body


def write(path, data, mode="wb"):
    with open(path, mode) as f:
        f.write(data)


class ModuleInterface(unittest.TestCase):
    def test_reads_each_kind_once_ignoring_neighbours(self):
        self.assertEqual(module_interface.read(MODULE + MODULE), {
            "gauge": ["MERTQ4ASPD", "MERTQ4GPWS"],
            "variable": ["XMLBus"],
            "sound": ["sound\\MERTQ4\\TQ4MIN.wav", "sound\\MERTQ4\\Tq4SplExt.wav"],
        })


    def test_version_resource_value_follows_its_key(self):
        rows = [  # (resource bytes, version, reason)
            ("FileVersion\0\0" "1.2.3\0".encode("utf-16-le"), "1.2.3", "key padded to 4 bytes"),
            ("FileVersion\0" "10.0.1\0".encode("utf-16-le"), "10.0.1", "key already aligned"),
            ("ProductVersion\0\0" "1.2.3\0".encode("utf-16-le"), None, "no FileVersion"),
        ]
        for data, version, reason in rows:
            with self.subTest(reason):
                self.assertEqual(module_interface.version_resource(b"\x07" + data), version)


class Package(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.sounds = os.path.join(self.dir.name, "sounds")
        os.mkdir(self.sounds)
        for name in ("TQ4MIN.wav", "Tq4SplExt.wav"):
            with open(os.path.join(self.sounds, name), "wb") as f:
                f.write(b"RIFF" + name.encode())
        self.pairs = [package.Pair(build, *(os.path.join(self.dir.name, "bin" + build.flag_suffix, n)
                                            for n in (package.MODULE, package.SOUND_LIBRARY)))
                      for build in package.BUILDS]
        self.write_pairs()
        (self.module, self.library), (self.module_64, self.library_64) = (p[1:] for p in self.pairs)

    def write_pairs(self):
        for pair in self.pairs:
            os.makedirs(os.path.dirname(pair.module), exist_ok=True)
            write(pair.module, crafted_library(package.MODULE_CALLS, pair.build.machine, tail=MODULE))
            write(pair.sound_library, crafted_library(machine=pair.build.machine))

    def tearDown(self):
        self.dir.cleanup()

    def make(self, out):
        path = os.path.join(self.dir.name, out, "MERTQ4-1.0.0.zip")
        package.write_zip(path, package.entries(self.pairs, self.sounds, "1.0.0"))
        with open(path, "rb") as f:
            return path, f.read()

    def test_two_builds_give_the_same_bytes(self):
        _, first = self.make("a")
        os.utime(self.module, (0, 0))  # a newer or older file must not matter
        _, second = self.make("b")
        self.assertEqual(first, second)

    def test_layout_as_the_simulator_folders_expect(self):
        path, _ = self.make("a")
        names = zipfile.ZipFile(path).namelist()
        for expected in ("MERTQ4.gau", "GaugeSound.dll", "sound/MERTQ4/TQ4MIN.wav", "sound/MERTQ4/Tq4SplExt.wav",
                         "panel/panel.cfg.sample", "docs/manual.md", "docs/manual/MERTQ4ASPD.png",
                         "LICENSE", "CHANGELOG.md"):
            self.assertIn(expected, names)
        self.assertEqual(len(names), len(set(names)))

    def test_the_64_bit_pair_follows_the_32_bit_one_in_its_own_folder(self):
        path, _ = self.make("a")
        names = ["MERTQ4.gau", "GaugeSound.dll", "64-bit/MERTQ4.gau", "64-bit/GaugeSound.dll"]
        files = [file for pair in self.pairs for file in (pair.module, pair.sound_library)]
        with zipfile.ZipFile(path) as z:
            self.assertEqual(z.namelist()[:4], names)
            for name, file in zip(names, files):
                with open(file, "rb") as f:
                    self.assertEqual(z.read(name), f.read(), name)

    def test_a_missing_sound_fails_naming_it(self):
        os.remove(os.path.join(self.sounds, "Tq4SplExt.wav"))
        with self.assertRaisesRegex(package.PackageError, "Tq4SplExt.wav"):
            self.make("a")

    def test_a_sound_in_other_case_is_missing(self):
        # The module asks for the exact name; a file differing in case would
        # be found on Windows but not by a case-sensitive unpacking.
        os.rename(os.path.join(self.sounds, "Tq4SplExt.wav"),
                  os.path.join(self.sounds, "TQ4SPLEXT.wav"))
        with self.assertRaisesRegex(package.PackageError, "Tq4SplExt.wav"):
            self.make("a")

    def test_a_library_the_host_or_the_module_cannot_use_fails(self):
        calls, x64 = package.MODULE_CALLS, pe_image.AMD64
        magic_at = 64 + 24  # after the DOS header and the PE signature and file header
        unknown_magic = crafted_library()[:magic_at] + b"\x07\x01" + crafted_library()[magic_at + 2:]
        rows = [  # (file, its bytes, what the failure names, reason)
            (self.library, crafted_library(machine=x64), r"--sound-library \S+ is built for 64-bit x86, "
             "not 32-bit x86", "a 64-bit sound library in the 32-bit pair"),
            (self.library_64, crafted_library(), r"--sound-library-64 \S+ is built for 32-bit x86, "
             "not 64-bit x86", "a 32-bit sound library in the 64-bit pair"),
            (self.module, crafted_library(calls, x64, tail=MODULE), r"--module \S+ is built for 64-bit x86",
             "a 64-bit module in the 32-bit pair"),
            (self.module_64, crafted_library(calls, tail=MODULE), r"--module-64 \S+ is built for 32-bit x86",
             "a 32-bit module in the 64-bit pair"),
            (self.library, crafted_library(machine=0x1C4), "built for machine 0x1c4", "another machine"),
            (self.module, crafted_library(calls[:1], tail=MODULE), "not exactly", "no Linkage export"),
            (self.module_64, crafted_library(calls, x64, "0.9.0", MODULE), "version 0.9.0",
             "a 64-bit module of another release"),
            (self.library, crafted_library(names=["GaugePlaySound"]), "not exactly", "entry points missing"),
            (self.library, crafted_library(names=package.SOUND_CALLS + ["Extra"]), "not exactly",
             "an entry point the module never calls"),
            (self.library, crafted_library(version="0.9.0"), "version 0.9.0", "another release's library"),
            (self.library, crafted_library(version=None), "version None", "no version resource"),
            (self.library, b"RIFF not a library", "cannot be read", "not a PE image"),
            (self.library, crafted_library()[:0x210], "outside the file", "cut short"),
            (self.library, unknown_magic, "neither PE32 nor PE32\\+", "a ROM image's optional header"),
        ]
        for file, data, named, reason in rows:
            with self.subTest(reason):
                self.write_pairs()
                write(file, data)
                with self.assertRaisesRegex(package.PackageError, named):
                    self.make("a")

    def test_a_64_bit_module_naming_what_the_32_bit_one_does_not_fails(self):
        for name, words in ((b"MERTQ4NEW", "gauges"), (b"XMLNew", "named variables"),
                            (b"sound\\MERTQ4\\TQ4New.wav", "sounds")):
            with self.subTest(words):
                write(self.module_64, crafted_library(package.MODULE_CALLS, pe_image.AMD64,
                                                      tail=MODULE + name + b"\0"))
                with self.assertRaisesRegex(package.PackageError, f"names other {words} .* only in the "
                                            f"64-bit x86 one: {re.escape(name.decode())}; only in the 32"):
                    self.make("a")

    def test_two_paths_one_file_to_windows_fail(self):
        for pair in self.pairs:
            write(pair.module, b"sound\\MERTQ4\\tq4min.wav\x00", "ab")
        with self.assertRaisesRegex(package.PackageError, "one file to Windows"):
            self.make("a")


class PanelSample(unittest.TestCase):
    pictures = os.path.join(package.ROOT, "docs", "manual")

    def test_every_gauge_once_and_no_overlaps(self):
        sizes = {n: package.png_size(os.path.join(self.pictures, n + ".png"))
                 for n in package.PANEL_ORDER}
        placed = package.layout(sizes)
        self.assertEqual(sorted(p[0] for p in placed), sorted(set(package.PANEL_ORDER)))
        self.assertEqual(len(placed), 16)
        self.assertEqual(package.overlapping(placed), [])

    def test_overlap_finder_sees_a_shared_pixel_and_not_a_shared_edge(self):
        rows = [  # (b's rectangle against a = (0, 0, 10, 10), overlaps, reason)
            ((9, 9, 5, 5), True, "corners share pixel (9, 9)"),
            ((10, 0, 5, 5), False, "b starts right after a's last column"),
            ((0, 10, 5, 5), False, "b starts right below a's last row"),
            ((2, 2, 2, 2), True, "b inside a"),
        ]
        for b, overlaps, reason in rows:
            with self.subTest(reason):
                found = package.overlapping([("a", 0, 0, 10, 10), ("b", *b)])
                self.assertEqual(bool(found), overlaps)

    def test_committed_sample_is_current(self):
        with open(os.path.join(package.ROOT, "panel", "panel.cfg.sample"), newline="") as f:
            committed = f.read()
        self.assertEqual(committed, package.panel_sample(self.pictures, package.read_version()))

    def test_manual_shows_the_current_sample(self):
        with open(os.path.join(package.ROOT, "docs", "manual.md"), encoding="utf-8") as f:
            manual = f.read()
        sample = package.panel_sample(self.pictures, package.read_version())
        self.assertIn(sample.replace("\r\n", "\n"), manual)

    def test_manual_names_each_sound_by_what_is_heard(self):
        with open(os.path.join(package.ROOT, "docs", "manual.md"), encoding="utf-8") as f:
            manual = f.read()
        for sound in SOUNDS:
            with self.subTest(sound["file"]):
                self.assertIn(f"| {sound['name']} | `{sound['file']}.wav` |", manual)

    def test_sample_lines_follow_the_host_convention(self):
        text = package.panel_sample(self.pictures, "1.0.0")
        gauges = [l for l in text.split("\r\n") if l.startswith("gauge")]
        for n, line in enumerate(gauges):
            self.assertRegex(line, rf"^gauge{n:02d}=MERTQ4!MERTQ4\w+, \d+, \d+, \d+, \d+$")


class StableInterface(unittest.TestCase):
    built = {"gauge": ["MERTQ4ASPD"], "variable": ["XMLBus"], "sound": ["sound\\MERTQ4\\a.wav"]}
    listed = si.format_list((1, 0, 0), built)
    renamed = {**built, "gauge": ["MERTQ4ASPD2"]}

    def test_version_rule(self):
        built, renamed = self.built, self.renamed
        rows = [  # (built, VERSION, changelog, update, error or None, reason)
            (built, "1.0.0", CHANGELOG, False, None, "unchanged interface passes"),
            (built, "1.0.1", CHANGELOG, False, None, "a release without interface change passes"),
            (renamed, "1.0.0", CHANGELOG, False, "changed", "a renamed gauge fails"),
            (renamed, "1.0.0", CHANGELOG, True, "not raised", "update without a version bump"),
            (renamed, "1.1.0", CHANGELOG, True, "no dated entry for VERSION 1.1.0",
             "update with a bump but no changelog entry"),
            (built, "0.9.0", CHANGELOG, False, "above VERSION", "list newer than VERSION"),
            (built, "1.0.0", "## [1.0.0]\n", False, "no dated entry", "undated entry"),
            (built, "1.0", CHANGELOG, False, "MAJOR.MINOR.PATCH", "malformed VERSION"),
        ]
        for module, version, changelog, update, error, reason in rows:
            with self.subTest(reason):
                if error is None:
                    self.assertIsNone(si.check(self.listed, module, version, changelog, update))
                else:
                    with self.assertRaisesRegex(si.InterfaceError, error):
                        si.check(self.listed, module, version, changelog, update)

    def test_update_after_a_release_writes_a_list_that_then_passes(self):
        changelog = "## [1.1.0] - 2026-12-09\n" + CHANGELOG
        new = si.check(self.listed, self.renamed, "1.1.0", changelog, update=True)
        self.assertIn("gauge MERTQ4ASPD2", new)
        self.assertIsNone(si.check(new, self.renamed, "1.1.0", changelog))

    def test_change_names_what_went_and_came(self):
        with self.assertRaises(si.InterfaceError) as e:
            si.check(self.listed, self.renamed, "1.0.0", CHANGELOG)
        self.assertIn("gauge MERTQ4ASPD is gone", str(e.exception))
        self.assertIn("gauge MERTQ4ASPD2 is new", str(e.exception))


if __name__ == "__main__":
    unittest.main()

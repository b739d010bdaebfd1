#!/usr/bin/env python3
"""Reads the shipped MERTQ4.gau as the host would, from the file alone: its
Linkage export, the gauge headers and every element chain, each record at the
offsets of the host's published records for the file's build, 32-bit (PE32)
or 64-bit (PE32+), picked from the optional header's magic (HOST_32 and
HOST_64 below, the one copy of those facts in the tests; nothing here comes
from the module's own declarations). Checks every element of every gauge:

  - the fields of its type where the host reads them;
  - the host's own fields zero and the routine slots the host would call NULL;
  - callbacks pointing into the module's code;
  - needle tables and row counts that agree;
  - no record's full extent overlapping another record or the tree's links.

usage: host_layout.py MODULE.gau [--junit FILE] [--suite NAME]
Reads a 32-bit or a 64-bit module. Prints one line per check and a last line
with the build read and the elements and fields checked; writes the checks as
the JUnit suite NAME (host_layout unless given) with --junit; exit status 0
when every check passes, 1 when one fails, 2 when the file cannot be read as
a 32-bit or 64-bit Windows library.
"""

import struct
import sys
import xml.etree.ElementTree as ET
from dataclasses import dataclass
from pathlib import Path

# ------------------------------------------------------------ the host's records
# (offset, size, field, who): "module" fields the module sets, "host" fields
# the host keeps (zero in the file), "zero" header fields the module leaves
# zero, "function" the routine slots the host calls where they are set (NULL
# in the file).
TOKEN_ID = 4       # bytes: a token record's first field, the module's
NEEDLE_ROW = 24    # bytes: point x, y (32-bit each), value and angle (64-bit floats), in both builds


def token_records(at, stride):
    """A string's three token records from `at`: the module's token id, then the host's fields."""
    return [f for n in range(3) for f in (
        (at + stride * n, TOKEN_ID, f"source {n + 1} token id", "module"),
        (at + stride * n + TOKEN_ID, stride - TOKEN_ID,
         f"source {n + 1} record: pointer, type, values", "host"))]


@dataclass(frozen=True)
class Build:
    """One build of the module: how its file says so, and how the host reads its records."""
    name: str
    magic: int              # the PE optional header's first 16 bits
    machine: int            # the COFF header's machine
    image_base_at: int      # in the optional header; a pointer wide
    directories_at: int     # the first data directory (exports), in the optional header
    pointer: int            # bytes in a pointer, callback or handle
    element_header: list    # (offset, size, field, who), the header every element begins with
    records: dict           # element type -> (full size, [(offset, size, field, who)] after the header)
    gauge_header: int       # full size of a version-800 gauge header
    gauge_name: int         # gauge header: the name pointer
    gauge_elements: int     # gauge header: the address of the element list's root slot
    gauge_mice: int         # gauge header: the mouse rectangle list
    mouse_record: int       # stride of the mouse rectangle list
    linkage_gauges: int     # Linkage: the NULL-terminated gauge-header pointers

    def offset(self, field):
        return next(at for at, _, name, _ in self.element_header if name == field)


HOST_32 = Build(
    name="32-bit", magic=0x10B, machine=0x14C, image_base_at=28, directories_at=96, pointer=4,
    element_header=[
        (0, 4, "type", "module"),
        (4, 4, "bitmap id", "module"),
        (8, 8, "position", "module"),
        (16, 8, "previous position", "host"),
        (24, 8, "offset (pivot)", "module"),
        (32, 4, "owning gauge header", "module"),
        (36, 4, "previous element", "host"),
        (40, 4, "next-element list", "module"),
        (44, 4, "failure list", "zero"),
        (48, 4, "image flags", "module"),
        (52, 4, "special-instrumentation word", "zero"),
        (56, 4, "reserved", "zero"),
    ],
    records={
        "static image": (96, [
            (60, 36, "image set, save buffer, drawing handles, reserved", "host"),
        ]),
        "needle": (236, [
            (60, 4, "source token id", "module"),
            (64, 24, "source record: pointer, type, value, previous value", "host"),
            (88, 4, "source-value function", "function"),
            (92, 4, "display-value function", "function"),
            (96, 4, "angle function", "function"),
            (100, 4, "lag function", "function"),
            (104, 8, "reference point", "host"),
            (112, 4, "needle table", "module"),
            (116, 4, "needle-table row count", "module"),
            (120, 4, "turn-rate limit", "module"),
            (124, 100, "goals, angles, corner points, image set, texture and save data", "host"),
            (224, 4, "element update callback", "module"),
            (228, 8, "save size", "host"),
        ]),
        "icon": (140, [
            (60, 4, "source token id", "module"),
            (64, 24, "source record: pointer, type, value, previous value", "host"),
            (88, 4, "source-value function", "function"),
            (92, 4, "switch mode", "module"),
            (96, 4, "switch count", "host"),
            (100, 8, "scale", "module"),
            (108, 4, "offset", "module"),
            (112, 4, "image count", "module"),
            (116, 4, "current image", "host"),
            (120, 4, "target image", "host"),
            (124, 8, "image data, save buffer", "host"),
            (132, 4, "element update callback", "module"),
            (136, 4, "reserved", "host"),
        ]),
        "moving image": (268, [
            (60, 4, "horizontal source token id", "module"),
            (64, 24, "horizontal source record: pointer, type, values", "host"),
            (88, 4, "horizontal source-value function", "function"),
            (92, 8, "horizontal range, first end", "module"),
            (100, 8, "horizontal range, other end", "module"),
            (108, 4, "horizontal lag function", "function"),
            (112, 4, "vertical source token id", "module"),
            (116, 24, "vertical source record: pointer, type, values", "host"),
            (140, 4, "vertical source-value function", "function"),
            (144, 8, "vertical range, first end", "module"),
            (152, 8, "vertical range, other end", "module"),
            (160, 4, "vertical lag function", "function"),
            (164, 32, "scale and offset, x and y", "host"),
            (196, 48, "save position, image, mask and save data", "host"),
            (244, 4, "horizontal update callback", "module"),
            (248, 4, "vertical update callback", "module"),
            (252, 16, "previous x and y", "host"),
        ]),
        "string": (324, [
            *token_records(60, stride=28),
            (144, 24, "three saved source values", "host"),
            (168, 12, "three source-value functions", "function"),
            (180, 4, "string-value function", "function"),
            (184, 4, "text buffer pointer", "host"),
            (188, 4, "previous text", "host"),
            (192, 8, "text box size", "module"),
            (200, 8, "string image, save buffer", "host"),
            (208, 4, "foreground colour", "module"),
            (212, 4, "background colour", "module"),
            (216, 4, "highlight colour", "module"),
            (220, 28, "drawing handles, reserved", "host"),
            (248, 32, "font face name", "module"),
            (280, 4, "font weight", "module"),
            (284, 1, "character set", "module"),
            (285, 3, "padding after the character set", "host"),
            (288, 4, "text format flags", "module"),
            (292, 2, "longest text", "module"),
            (294, 6, "character width, selection start and end", "host"),
            (300, 4, "highlight list", "function"),
            (304, 4, "saved highlight state", "host"),
            (308, 4, "font size", "module"),
            (312, 4, "element update callback", "module"),
            (316, 8, "user colour flag and colour", "host"),
        ]),
    },
    gauge_header=204, gauge_name=4, gauge_elements=8, gauge_mice=80,
    mouse_record=44, linkage_gauges=24,
)

# The same records with 8-byte pointers, handles and callbacks, still packed
# to 4 bytes: an 8-byte field may sit on a 4-byte boundary.
HOST_64 = Build(
    name="64-bit", magic=0x20B, machine=0x8664, image_base_at=24, directories_at=112, pointer=8,
    element_header=[
        (0, 4, "type", "module"),
        (4, 4, "bitmap id", "module"),
        (8, 8, "position", "module"),
        (16, 8, "previous position", "host"),
        (24, 8, "offset (pivot)", "module"),
        (32, 8, "owning gauge header", "module"),
        (40, 8, "previous element", "host"),
        (48, 8, "next-element list", "module"),
        (56, 8, "failure list", "zero"),
        (64, 4, "image flags", "module"),
        (68, 4, "special-instrumentation word", "zero"),
        (72, 4, "reserved", "zero"),
    ],
    records={
        "static image": (148, [
            (76, 72, "image set, save buffer, device context, bitmap, two reserved", "host"),
        ]),
        "needle": (304, [
            (76, 4, "source token id", "module"),
            (80, 28, "source record: pointer, type, value, previous value", "host"),
            (108, 8, "source-value function", "function"),
            (116, 8, "display-value function", "function"),
            (124, 8, "angle function", "function"),
            (132, 8, "lag function", "function"),
            (140, 8, "reference point", "host"),
            (148, 8, "needle table", "module"),
            (156, 4, "needle-table row count", "module"),
            (160, 4, "turn-rate limit", "module"),
            (164, 124, "goals, angles, corner points, image set, texture and save data", "host"),
            (288, 8, "element update callback", "module"),
            (296, 8, "save size", "host"),
        ]),
        "icon": (176, [
            (76, 4, "source token id", "module"),
            (80, 28, "source record: pointer, type, value, previous value", "host"),
            (108, 8, "source-value function", "function"),
            (116, 4, "switch mode", "module"),
            (120, 4, "switch count", "host"),
            (124, 8, "scale", "module"),
            (132, 4, "offset", "module"),
            (136, 4, "image count", "module"),
            (140, 4, "current image", "host"),
            (144, 4, "target image", "host"),
            (148, 16, "image data, save buffer", "host"),
            (164, 8, "element update callback", "module"),
            (172, 4, "reserved", "host"),
        ]),
        "moving image": (356, [
            (76, 4, "horizontal source token id", "module"),
            (80, 28, "horizontal source record: pointer, type, values", "host"),
            (108, 8, "horizontal source-value function", "function"),
            (116, 8, "horizontal range, first end", "module"),
            (124, 8, "horizontal range, other end", "module"),
            (132, 8, "horizontal lag function", "function"),
            (140, 4, "vertical source token id", "module"),
            (144, 28, "vertical source record: pointer, type, values", "host"),
            (172, 8, "vertical source-value function", "function"),
            (180, 8, "vertical range, first end", "module"),
            (188, 8, "vertical range, other end", "module"),
            (196, 8, "vertical lag function", "function"),
            (204, 32, "scale and offset, x and y", "host"),
            (236, 88, "save position, image set, mask set, mask, save buffer", "host"),
            (324, 8, "horizontal update callback", "module"),
            (332, 8, "vertical update callback", "module"),
            (340, 16, "previous x and y", "host"),
        ]),
        "string": (420, [
            *token_records(76, stride=32),
            (172, 24, "three saved source values", "host"),
            (196, 24, "three source-value functions", "function"),
            (220, 8, "string-value function", "function"),
            (228, 8, "text buffer pointer", "host"),
            (236, 8, "previous text", "host"),
            (244, 8, "text box size", "module"),
            (252, 16, "string image, save buffer", "host"),
            (268, 4, "foreground colour", "module"),
            (272, 4, "background colour", "module"),
            (276, 4, "highlight colour", "module"),
            (280, 56, "drawing handles", "host"),
            (336, 32, "font face name", "module"),
            (368, 4, "font weight", "module"),
            (372, 1, "character set", "module"),
            (373, 3, "padding after the character set", "host"),
            (376, 4, "text format flags", "module"),
            (380, 2, "longest text", "module"),
            (382, 6, "character width, selection start and end", "host"),
            (388, 8, "highlight list", "function"),
            (396, 4, "saved highlight state", "host"),
            (400, 4, "font size", "module"),
            (404, 8, "element update callback", "module"),
            (412, 8, "user colour flag and colour", "host"),
        ]),
    },
    gauge_header=284, gauge_name=4, gauge_elements=12, gauge_mice=132,
    mouse_record=52, linkage_gauges=32,
)

BUILDS = {build.magic: build for build in (HOST_32, HOST_64)}
ELEMENT_TYPES = {0: "static image", 1: "needle", 2: "string", 4: "icon", 5: "moving image"}
NOT_SET = {"host": "zero", "zero": "zero", "function": "NULL"}  # who -> what the file holds


def untiled(build):
    """The tables of `build` that leave a gap or an overlap: the header from its
    first byte, each record from the header's end to the record's full size."""
    def tiles(fields, start, size):
        ends = [start] + [at + width for at, width, _, _ in fields]
        return [at for at, _, _, _ in fields] == ends[:-1] and ends[-1] == size
    header = sum(width for _, width, _, _ in build.element_header)
    return ([] if tiles(build.element_header, 0, header) else ["element header"]) + [
        kind for kind, (size, fields) in build.records.items() if not tiles(fields, header, size)]


assert not any(untiled(build) for build in BUILDS.values()), {b.name: untiled(b) for b in BUILDS.values()}

# ------------------------------------------------ what this module's data holds
# Elements of each type over all sixteen gauges.
TYPE_COUNTS = {"static image": 20, "needle": 25, "string": 10, "icon": 3, "moving image": 9}
# The needles with a turn-rate limit, degrees per update: (gauge, element).
TURN_LIMITS = {("MERTQ4VSI", 1): 8, ("MERTQ4ASPD", 1): 7}
# The icons: (gauge, element) -> (image count, switch mode, has a callback).
ICONS = {("MERTQ4ASPD", 2): (1, 0, False),
         ("MERTQ4SGN", 1): (2, 3, True), ("MERTQ4SGN", 2): (2, 3, True)}
# The readout strings' first source token; the other two are empty.
STRING_SOURCE = {"MERTQ4ComLnk": 0, "MERTQ4GPWS": 614}
LONGEST_READOUT = 24  # "XMLClick1 = -2147483648" and its NUL


class BadModule(Exception):
    pass


class PeImage:
    """A PE32 or PE32+ file's sections, read by relative virtual address."""

    def __init__(self, path):
        self.data = Path(path).read_bytes()
        if self.data[:2] != b"MZ":
            raise BadModule(f"{path}: not a Windows executable")
        pe = self.u32_file(0x3C)
        optional = pe + 24
        self.build = BUILDS.get(self.u16_file(optional)) if self.data[pe:pe + 4] == b"PE\0\0" else None
        if self.build is None or self.u16_file(pe + 4) != self.build.machine:
            raise BadModule(f"{path}: not a 32-bit or 64-bit Windows library")
        self.pointer_format = {4: "<I", 8: "<Q"}[self.build.pointer]
        self.image_base = struct.unpack_from(self.pointer_format, self.data,
                                             optional + self.build.image_base_at)[0]
        self.export_rva = self.u32_file(optional + self.build.directories_at)
        first = optional + self.u16_file(pe + 20)
        self.sections = []
        for n in range(self.u16_file(pe + 6)):
            s = first + 40 * n
            vsize, rva, raw_size, raw_at = struct.unpack_from("<4I", self.data, s + 8)
            flags = self.u32_file(s + 36)
            self.sections.append((rva, max(vsize, raw_size), raw_size, raw_at, flags))

    def u16_file(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def u32_file(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def section(self, rva):
        for s in self.sections:
            if s[0] <= rva < s[0] + s[1]:
                return s
        return None

    def show(self, address):
        return f"0x{address:0{2 * self.build.pointer}X}"

    def read(self, rva, size):
        s = self.section(rva)
        if s is None or rva + size > s[0] + s[1]:
            raise BadModule(f"address {self.show(rva + self.image_base)} is outside the image")
        at = rva - s[0]
        raw = self.data[s[3] + at:s[3] + min(at + size, s[2])] if at < s[2] else b""
        return raw + bytes(size - len(raw))  # uninitialised data reads as zero

    def u32(self, rva, offset=0):
        return struct.unpack("<I", self.read(rva + offset, 4))[0]

    def address(self, rva, offset=0):
        """The pointer stored at rva + offset, 4 or 8 bytes by the build."""
        return struct.unpack(self.pointer_format, self.read(rva + offset, self.build.pointer))[0]

    def rva(self, address):
        return address - self.image_base

    def is_code(self, address):
        s = self.section(self.rva(address)) if address else None
        return s is not None and s[4] & 0x20000000 != 0  # IMAGE_SCN_MEM_EXECUTE

    def export(self, name):
        d = self.export_rva
        count, functions, names, ordinals = (self.u32(d, 24), self.u32(d, 28),
                                             self.u32(d, 32), self.u32(d, 36))
        for n in range(count):
            text = self.read(self.u32(names, 4 * n), 64).split(b"\0")[0].decode()
            if text == name:
                ordinal = struct.unpack("<H", self.read(ordinals + 2 * n, 2))[0]
                return self.u32(functions, 4 * ordinal)
        raise BadModule(f"no export named {name}")


class Checker:
    """Collects what one check found wrong, and counts the fields it read."""

    def __init__(self):
        self.problems = []
        self.fields = 0

    def expect(self, holds, what):
        self.fields += 1
        if not holds:
            self.problems.append(what)


def c_string(raw):
    return raw.split(b"\0")[0].decode("latin-1")


def check_element(image, check, gauge, n, address, extents):
    build = image.build
    rva = image.rva(address)
    type_id = image.u32(rva, build.offset("type"))
    kind = ELEMENT_TYPES.get(type_id)
    where = f"{gauge} element {n}"
    check.expect(kind is not None, f"{where}: type {type_id} is none the host knows")
    if kind is None:
        return None
    size, fields = build.records[kind]
    record = image.read(rva, size)
    field = {name: (at, width) for at, width, name, _ in build.element_header + fields}
    at = lambda name: field[name][0]  # noqa: E731
    value = lambda form, name, plus=0: struct.unpack_from(form, record, at(name) + plus)[0]  # noqa: E731
    u32 = lambda name, plus=0: value("<I", name, plus)  # noqa: E731
    i32 = lambda name, plus=0: value("<i", name, plus)  # noqa: E731
    f64 = lambda name: value("<d", name)  # noqa: E731
    pointer = lambda name: value(image.pointer_format, name)  # noqa: E731
    extents.append((rva, size, f"{where} ({kind}, {size} bytes)"))

    for offset, width, name, who in build.element_header + fields:
        if who in NOT_SET:
            check.expect(record[offset:offset + width] == bytes(width),
                         f"{where}: {name} at +{offset} is not {NOT_SET[who]}")

    def callback(name, required=True):
        address = pointer(name)
        if address == 0:
            check.expect(not required, f"{where}: no update callback at +{at(name)}")
        else:
            check.expect(image.is_code(address), f"{where}: the callback at +{at(name)} "
                                                 f"({image.show(address)}) is not the module's code")

    if kind == "needle":
        table, rows, limit = pointer("needle table"), u32("needle-table row count"), i32("turn-rate limit")
        check.expect((table == 0) == (rows == 0),
                     f"{where}: needle table {image.show(table)} with {rows} rows")
        check.expect(limit == TURN_LIMITS.get((gauge, n), 0),
                     f"{where}: turn-rate limit {limit} at +{at('turn-rate limit')}")
        if table != 0 and rows < 64:
            values = []
            for row in range(rows):
                _, _, row_value, angle = struct.unpack(
                    "<iidd", image.read(image.rva(table) + NEEDLE_ROW * row, NEEDLE_ROW))
                values.append(row_value)
                check.expect(angle == 0, f"{where}: table row {row} has an angle in the file")
            steps = [b - a for a, b in zip(values, values[1:])]
            check.expect(all(s > 0 for s in steps) or all(s < 0 for s in steps),
                         f"{where}: the {rows} table values do not run one way: {values}")
            extents.append((image.rva(table), NEEDLE_ROW * rows, f"{where} needle table"))
        callback("element update callback")
    elif kind == "icon":
        count, mode, has_callback = ICONS.get((gauge, n), (None, None, None))
        images, switch, scale, offset = u32("image count"), u32("switch mode"), f64("scale"), i32("offset")
        check.expect(images == count, f"{where}: {images} images at +{at('image count')}")
        check.expect(switch == mode, f"{where}: switch mode {switch} at +{at('switch mode')}")
        check.expect(scale == 0 and offset == 0, f"{where}: scale {scale}, offset {offset}")
        check.expect(u32("source token id") == 0, f"{where}: source token {u32('source token id')}")
        callback("element update callback", required=bool(has_callback))
        check.expect((pointer("element update callback") != 0) == bool(has_callback),
                     f"{where}: callback at +{at('element update callback')}")
    elif kind == "moving image":
        check.expect(u32("horizontal source token id") == 0 and u32("vertical source token id") == 0,
                     f"{where}: a drum has no source token")
        first, other = f64("horizontal range, first end"), f64("horizontal range, other end")
        check.expect(first == 0 and other == 0, f"{where}: horizontal range {first}..{other}")
        first, other = f64("vertical range, first end"), f64("vertical range, other end")
        check.expect(first != other, f"{where}: vertical range {first}..{other}")
        check.expect(pointer("horizontal update callback") == 0,
                     f"{where}: a drum has no horizontal callback")
        callback("vertical update callback")
    elif kind == "string":
        check.expect(i32("bitmap id") == -1, f"{where}: a string has no bitmap, not {i32('bitmap id')}")
        sources = [u32(f"source {k + 1} token id") for k in range(3)]
        check.expect(sources == [STRING_SOURCE.get(gauge), 0, 0], f"{where}: sources {sources}")
        width, height = i32("text box size"), i32("text box size", 4)
        check.expect((width, height) == (30, 10), f"{where}: box {width} x {height}")
        colours = (u32("foreground colour"), u32("background colour"), u32("highlight colour"))
        check.expect(colours == (0xFFFFFF, 0, 0), f"{where}: colours")
        face_at, face_size = field["font face name"]
        face = record[face_at:face_at + face_size]
        check.expect(c_string(face) == "Courier New" and 0 in face, f"{where}: font face {face!r}")
        weight, charset = i32("font weight"), record[at("character set")]
        check.expect(weight == 100 and charset == 1, f"{where}: weight {weight}, charset {charset}")
        flags = u32("text format flags")
        check.expect(flags == 0x4240, f"{where}: format flags 0x{flags:X}")
        longest = value("<H", "longest text")
        check.expect(longest >= LONGEST_READOUT, f"{where}: longest text {longest} at +{at('longest text')}")
        font = i32("font size")
        check.expect(0 < font <= height, f"{where}: font size {font} in a box {height} high")
        callback("element update callback")
    return kind


def check_gauges(image):
    """One check per gauge, then the counts of each type and the overlaps."""
    build = image.build
    linkage = image.export("Linkage")  # an address relative to the image
    checks, extents, kinds = [], [], []
    elements = 0
    for g in range(17):
        header = image.address(linkage, build.linkage_gauges + build.pointer * g)
        if header == 0:
            break
        h = image.rva(header)
        name = c_string(image.read(image.rva(image.address(h, build.gauge_name)), 32))
        check = Checker()
        extents.append((h, build.gauge_header, f"{name} gauge header"))
        slot = image.rva(image.address(h, build.gauge_elements))
        extents.append((slot, build.pointer, f"{name} root slot"))
        mouse = image.address(h, build.gauge_mice)
        if mouse:
            records = 1
            while image.u32(image.rva(mouse) + build.mouse_record * (records - 1)) != 0 and records < 64:
                records += 1
            extents.append((image.rva(mouse), build.mouse_record * records, f"{name} mouse list"))
        address, n = image.address(slot), 0
        while address and n < 32:
            element = image.rva(address)
            check.expect(image.address(element, build.offset("owning gauge header")) == header,
                         f"{name} element {n}: names another gauge")
            kinds.append(check_element(image, check, name, n, address, extents))
            children = image.address(element, build.offset("next-element list"))
            address = 0
            if children:
                # The one child and the NULL that ends the list.
                extents.append((image.rva(children), 2 * build.pointer, f"{name} element {n} child list"))
                address = image.address(image.rva(children))
                check.expect(image.address(image.rva(children), build.pointer) == 0,
                             f"{name} element {n}: more than one child")
            n += 1
        elements += n
        checks.append((f"{name}: {n} elements at the host's offsets", check))

    counts = Checker()
    for kind, count in TYPE_COUNTS.items():
        counts.expect(kinds.count(kind) == count, f"{kinds.count(kind)} {kind}s, not {count}")
    checks.append(("elements of each type", counts))

    overlaps = Checker()
    extents = sorted(set(extents))
    for (a, a_size, a_name), (b, b_size, b_name) in zip(extents, extents[1:]):
        shared_table = a == b and a_size == b_size and "needle table" in a_name + b_name
        overlaps.expect(a + a_size <= b or shared_table,
                        f"{a_name} at 0x{a:X} runs {a + a_size - b} bytes into {b_name}")
    checks.append((f"{len(extents)} record extents apart", overlaps))
    return checks, elements


def write_junit(path, suite_name, checks):
    suite = ET.Element("testsuite", name=suite_name, tests=str(len(checks)))
    for name, check in checks:
        case = ET.SubElement(suite, "testcase", classname=suite_name, name=name)
        if check.problems:
            ET.SubElement(case, "failure", message=check.problems[0]).text = "\n".join(check.problems)
    Path(path).parent.mkdir(parents=True, exist_ok=True)
    ET.ElementTree(suite).write(path, encoding="utf-8", xml_declaration=True)


def main(argv):
    args = argv[1:]
    options = {"--junit": None, "--suite": "host_layout"}
    usable = True
    for option in options:
        if option in args:
            at = args.index(option)
            usable = usable and at + 1 < len(args)
            options[option] = args[at + 1] if at + 1 < len(args) else None
            del args[at:at + 2]
    if len(args) != 1 or not usable:
        print(next(p for p in __doc__.split("\n\n") if p.startswith("usage:")), file=sys.stderr)
        return 2
    try:
        image = PeImage(args[0])
        checks, elements = check_gauges(image)
    except (BadModule, OSError, struct.error) as error:
        print(f"host_layout: {error}", file=sys.stderr)
        return 2
    for name, check in checks:
        print(f"{'FAIL' if check.problems else 'ok  '} {name}")
        for problem in check.problems:
            print(f"     {problem}")
    fields = sum(check.fields for _, check in checks)
    failed = sum(bool(check.problems) for _, check in checks)
    print(f"host layout ({image.build.name}): {elements} elements, {fields} fields checked; "
          f"{len(checks) - failed} of {len(checks)} checks passed")
    if options["--junit"]:
        write_junit(options["--junit"], options["--suite"], checks)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

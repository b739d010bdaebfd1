#!/usr/bin/env python3
"""Reads the shipped MERTQ4.gau as the host would, from the file alone: its
Linkage export, the gauge headers and every element chain, each record at the
offsets of the host's published records (HOST_RECORDS below, the one copy of
those facts in the tests; nothing here comes from the module's own
declarations). Checks every element of every gauge:

  - the fields of its type where the host reads them;
  - the host's own fields zero and the routine slots the host would call NULL;
  - callbacks pointing into the module's code;
  - needle tables and row counts that agree;
  - no record's full extent overlapping another record or the tree's links.

usage: host_layout.py MODULE.gau [--junit FILE]
Prints one line per check and a last line with the elements and fields
checked; exit status 0 when every check passes, 1 when one fails, 2 when the
file cannot be read as a 32-bit Windows library.
"""

import struct
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

# ------------------------------------------------------------ the host's records
# (offset, size, field, who): "module" fields the module sets, "host" fields
# the host keeps (zero in the file), "function" the routine slots the host
# calls where they are set (NULL in the file).
TOKEN_RECORD = 28
HOST_RECORDS = {
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
        *[f for n in range(3) for f in (
            (60 + TOKEN_RECORD * n, 4, f"source {n + 1} token id", "module"),
            (64 + TOKEN_RECORD * n, 24, f"source {n + 1} record: pointer, type, values", "host"))],
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
}
ELEMENT_TYPES = {0: "static image", 1: "needle", 2: "string", 4: "icon", 5: "moving image"}
# Element header: previous position (16, 8 bytes) and previous element (36)
# are the host's; failure list (44), special word (52) and reserved (56) zero.
HEADER_ZERO = [(16, 8, "previous position"), (36, 4, "previous element"),
               (44, 4, "failure list"), (52, 4, "special-instrumentation word"),
               (56, 4, "reserved")]
GAUGE_HEADER, MOUSE_RECORD = 204, 44

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
    """A PE32 file's sections, read by relative virtual address."""

    def __init__(self, path):
        self.data = Path(path).read_bytes()
        if self.data[:2] != b"MZ":
            raise BadModule(f"{path}: not a Windows executable")
        pe = self.u32_file(0x3C)
        if self.data[pe:pe + 4] != b"PE\0\0" or self.u16_file(pe + 24) != 0x10B:
            raise BadModule(f"{path}: not a 32-bit Windows library")
        optional = pe + 24
        self.image_base = self.u32_file(optional + 28)
        self.export_rva = self.u32_file(optional + 96)
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

    def read(self, rva, size):
        s = self.section(rva)
        if s is None or rva + size > s[0] + s[1]:
            raise BadModule(f"address 0x{rva + self.image_base:08X} is outside the image")
        at = rva - s[0]
        raw = self.data[s[3] + at:s[3] + min(at + size, s[2])] if at < s[2] else b""
        return raw + bytes(size - len(raw))  # uninitialised data reads as zero

    def u32(self, rva, offset=0):
        return struct.unpack("<I", self.read(rva + offset, 4))[0]

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
    rva = image.rva(address)
    kind = ELEMENT_TYPES.get(image.u32(rva))
    where = f"{gauge} element {n}"
    check.expect(kind is not None, f"{where}: type {image.u32(rva)} is none the host knows")
    if kind is None:
        return None
    size, fields = HOST_RECORDS[kind]
    record = image.read(rva, size)
    u32 = lambda at: struct.unpack_from("<I", record, at)[0]  # noqa: E731
    i32 = lambda at: struct.unpack_from("<i", record, at)[0]  # noqa: E731
    f64 = lambda at: struct.unpack_from("<d", record, at)[0]  # noqa: E731
    extents.append((rva, size, f"{where} ({kind}, {size} bytes)"))

    for at, width, name in HEADER_ZERO:
        check.expect(record[at:at + width] == bytes(width), f"{where}: {name} at +{at} is not zero")
    for at, width, name, who in fields:
        if who in ("host", "function"):
            check.expect(record[at:at + width] == bytes(width),
                         f"{where}: {name} at +{at} is not {'NULL' if who == 'function' else 'zero'}")

    def callback(at, required=True):
        address = u32(at)
        if address == 0:
            check.expect(not required, f"{where}: no update callback at +{at}")
        else:
            check.expect(image.is_code(address),
                         f"{where}: the callback at +{at} (0x{address:08X}) is not the module's code")

    if kind == "needle":
        table, rows, limit = u32(112), u32(116), i32(120)
        check.expect((table == 0) == (rows == 0),
                     f"{where}: needle table 0x{table:08X} with {rows} rows")
        check.expect(limit == TURN_LIMITS.get((gauge, n), 0),
                     f"{where}: turn-rate limit {limit} at +120")
        if table != 0 and rows < 64:
            values = []
            for row in range(rows):
                _, _, value, angle = struct.unpack("<iidd", image.read(image.rva(table) + 24 * row, 24))
                values.append(value)
                check.expect(angle == 0, f"{where}: table row {row} has an angle in the file")
            steps = [b - a for a, b in zip(values, values[1:])]
            check.expect(all(s > 0 for s in steps) or all(s < 0 for s in steps),
                         f"{where}: the {rows} table values do not run one way: {values}")
            extents.append((image.rva(table), 24 * rows, f"{where} needle table"))
        callback(224)
    elif kind == "icon":
        count, mode, has_callback = ICONS.get((gauge, n), (None, None, None))
        check.expect(u32(112) == count, f"{where}: {u32(112)} images at +112")
        check.expect(u32(92) == mode, f"{where}: switch mode {u32(92)} at +92")
        check.expect(f64(100) == 0 and i32(108) == 0, f"{where}: scale {f64(100)}, offset {i32(108)}")
        check.expect(u32(60) == 0, f"{where}: source token {u32(60)}")
        callback(132, required=bool(has_callback))
        check.expect((u32(132) != 0) == bool(has_callback), f"{where}: callback at +132")
    elif kind == "moving image":
        check.expect(u32(60) == 0 and u32(112) == 0, f"{where}: a drum has no source token")
        check.expect(f64(92) == 0 and f64(100) == 0, f"{where}: horizontal range {f64(92)}..{f64(100)}")
        check.expect(f64(144) != f64(152), f"{where}: vertical range {f64(144)}..{f64(152)}")
        check.expect(u32(244) == 0, f"{where}: a drum has no horizontal callback")
        callback(248)
    elif kind == "string":
        check.expect(i32(4) == -1, f"{where}: a string has no bitmap, not {i32(4)}")
        sources = [u32(60 + TOKEN_RECORD * k) for k in range(3)]
        check.expect(sources == [STRING_SOURCE.get(gauge), 0, 0], f"{where}: sources {sources}")
        width, height = i32(192), i32(196)
        check.expect((width, height) == (30, 10), f"{where}: box {width} x {height}")
        check.expect((u32(208), u32(212), u32(216)) == (0xFFFFFF, 0, 0), f"{where}: colours")
        face = record[248:280]
        check.expect(c_string(face) == "Courier New" and 0 in face, f"{where}: font face {face!r}")
        check.expect(i32(280) == 100 and record[284] == 1, f"{where}: weight {i32(280)}, charset {record[284]}")
        check.expect(u32(288) == 0x4240, f"{where}: format flags 0x{u32(288):X}")
        longest = struct.unpack_from("<H", record, 292)[0]
        check.expect(longest >= LONGEST_READOUT, f"{where}: longest text {longest} at +292")
        check.expect(0 < i32(308) <= height, f"{where}: font size {i32(308)} in a box {height} high")
        callback(312)
    return kind


def check_gauges(image):
    """One check per gauge, then the counts of each type and the overlaps."""
    linkage = image.export("Linkage")  # an address relative to the image
    checks, extents, kinds = [], [], []
    elements = 0
    for g in range(17):
        header = image.u32(linkage, 24 + 4 * g)
        if header == 0:
            break
        h = image.rva(header)
        name = c_string(image.read(image.rva(image.u32(h, 4)), 32))
        check = Checker()
        extents.append((h, GAUGE_HEADER, f"{name} gauge header"))
        slot = image.rva(image.u32(h, 8))
        extents.append((slot, 4, f"{name} root slot"))
        mouse = image.u32(h, 80)
        if mouse:
            records = 1
            while image.u32(image.rva(mouse) + MOUSE_RECORD * (records - 1)) != 0 and records < 64:
                records += 1
            extents.append((image.rva(mouse), MOUSE_RECORD * records, f"{name} mouse list"))
        address, n = image.u32(slot), 0
        while address and n < 32:
            check.expect(image.u32(image.rva(address), 32) == header, f"{name} element {n}: names another gauge")
            kinds.append(check_element(image, check, name, n, address, extents))
            children = image.u32(image.rva(address), 40)
            address = 0
            if children:
                extents.append((image.rva(children), 8, f"{name} element {n} child list"))
                address = image.u32(image.rva(children))
                check.expect(image.u32(image.rva(children), 4) == 0, f"{name} element {n}: more than one child")
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


def write_junit(path, checks):
    suite = ET.Element("testsuite", name="host_layout", tests=str(len(checks)))
    for name, check in checks:
        case = ET.SubElement(suite, "testcase", classname="host_layout", name=name)
        if check.problems:
            ET.SubElement(case, "failure", message=check.problems[0]).text = "\n".join(check.problems)
    Path(path).parent.mkdir(parents=True, exist_ok=True)
    ET.ElementTree(suite).write(path, encoding="utf-8", xml_declaration=True)


def main(argv):
    args = argv[1:]
    junit = None
    if "--junit" in args:
        at = args.index("--junit")
        junit = args[at + 1] if at + 1 < len(args) else None
        del args[at:at + 2]
    if len(args) != 1 or (junit is None and "--junit" in argv):
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    try:
        checks, elements = check_gauges(PeImage(args[0]))
    except (BadModule, OSError, struct.error) as error:
        print(f"host_layout: {error}", file=sys.stderr)
        return 2
    for name, check in checks:
        print(f"{'FAIL' if check.problems else 'ok  '} {name}")
        for problem in check.problems:
            print(f"     {problem}")
    fields = sum(check.fields for _, check in checks)
    failed = sum(bool(check.problems) for _, check in checks)
    print(f"host layout: {elements} elements, {fields} fields checked; "
          f"{len(checks) - failed} of {len(checks)} checks passed")
    if junit:
        write_junit(junit, checks)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

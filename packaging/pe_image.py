"""What the loader sees of a Windows library, read from its file: the machine
it was built for, the names it exports, and its version resource's
FileVersion.

Input: the library's bytes, a 32-bit (PE32) or 64-bit (PE32+) image. Output:
the machine type (0x14c for 32-bit x86, 0x8664 for 64-bit x86), the sorted
export names, the version string or None. A file that is not a PE image, or
whose headers point outside it, raises ImageError naming what."""

import struct

import module_interface

I386 = 0x14C
AMD64 = 0x8664
MACHINE_NAMES = {I386: "32-bit x86", AMD64: "64-bit x86"}
# Where the data directories start in the optional header, by its magic: the
# 64-bit layout widens the image base and the four stack and heap sizes.
DIRECTORIES_AT = {0x10B: 96,    # PE32
                  0x20B: 112}   # PE32+
DIRECTORY_ENTRY_SIZE = 8        # an RVA and a size
EXPORT_DIRECTORY = 0


class ImageError(Exception):
    pass


def _unpack(fmt, data, offset, what):
    size = struct.calcsize(fmt)
    if offset < 0 or offset + size > len(data):
        raise ImageError(f"{what} lies outside the file")
    return struct.unpack_from(fmt, data, offset)


def _headers(data):
    if data[:2] != b"MZ":
        raise ImageError("no DOS header")
    (pe,) = _unpack("<I", data, 0x3C, "the PE header's offset")
    if data[pe:pe + 4] != b"PE\0\0":
        raise ImageError("no PE signature")
    machine, sections, _, _, _, optional_size, _ = _unpack("<HHIIIHH", data, pe + 4, "the file header")
    optional = pe + 24
    (magic,) = _unpack("<H", data, optional, "the optional header")
    if magic not in DIRECTORIES_AT:
        raise ImageError(f"optional header magic {magic:#x} is neither PE32 nor PE32+")
    directories = optional + DIRECTORIES_AT[magic]
    if DIRECTORIES_AT[magic] + DIRECTORY_ENTRY_SIZE * (EXPORT_DIRECTORY + 1) > optional_size:
        raise ImageError(f"the optional header ({optional_size} bytes) ends before the export "
                         "directory entry")
    table = optional + optional_size
    section_list = [_unpack("<8sIIII", data, table + 40 * i, f"section {i}")[1:5]
                    for i in range(sections)]
    return machine, directories, section_list


def _offset(rva, sections):
    for virtual_size, address, raw_size, raw_offset in sections:
        if address <= rva < address + max(virtual_size, raw_size):
            return raw_offset + rva - address
    raise ImageError(f"address {rva:#x} is in no section")


def machine(data):
    return _headers(data)[0]


def machine_name(number):
    """The machine as messages name it: '32-bit x86', '64-bit x86' or 'machine 0x...'."""
    return MACHINE_NAMES.get(number, f"machine {number:#x}")


def exports(data):
    """The names the library exports, sorted; [] when it has no export directory."""
    _, directories, sections = _headers(data)
    rva, size = _unpack("<II", data, directories + DIRECTORY_ENTRY_SIZE * EXPORT_DIRECTORY,
                        "the export directory entry")
    if rva == 0 or size == 0:
        return []
    base = _offset(rva, sections)
    count, _, names_rva = _unpack("<III", data, base + 24, "the export directory")
    names_at = _offset(names_rva, sections) if count else 0
    out = []
    for i in range(count):
        (name_rva,) = _unpack("<I", data, names_at + 4 * i, f"export name {i}")
        start = _offset(name_rva, sections)
        end = data.find(b"\0", start)
        if end < 0:
            raise ImageError(f"export name {i} runs past the file's end")
        out.append(data[start:end].decode("ascii", "replace"))
    return sorted(out)


def version(data):
    return module_interface.version_resource(data)


def read_file(path):
    """{'machine': int, 'exports': [...], 'version': str or None} of the library at path."""
    with open(path, "rb") as f:
        data = f.read()
    return {"machine": machine(data), "exports": exports(data), "version": version(data)}

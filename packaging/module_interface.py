"""What a panel and an aircraft see of the module, read from the built MERTQ4.gau:
its gauge names, its named variables and the sound paths it plays, and the
version its version resource states.

Input: the module's bytes. Output: three sorted lists; the version string. The names are the
NUL-terminated strings the module hands the host and the sound library."""

import re

GAUGE = re.compile(rb"(MERTQ4[A-Za-z0-9_]+)\x00")
VARIABLE = re.compile(rb"(XML[A-Za-z0-9_]+)\x00")
SOUND = re.compile(rb"(sound\\MERTQ4\\[A-Za-z0-9_]+\.wav)\x00")


def read(module_bytes):
    """{'gauge': [...], 'variable': [...], 'sound': [...]}, each sorted and unique."""
    found = {}
    for kind, pattern in (("gauge", GAUGE), ("variable", VARIABLE), ("sound", SOUND)):
        found[kind] = sorted({m.decode("ascii") for m in pattern.findall(module_bytes)})
    return found


# A version resource's string value: its UTF-16 key, NUL, padding to 4 bytes,
# then the UTF-16 value up to its NUL.
FILE_VERSION = re.compile("FileVersion\0".encode("utf-16-le") + rb"(?:\x00\x00)?((?:[^\x00]\x00)+)\x00\x00")


def version_resource(module_bytes):
    """The FileVersion string of the module's version resource, or None."""
    m = FILE_VERSION.search(module_bytes)
    return m.group(1).decode("utf-16-le") if m else None


def read_file(path):
    with open(path, "rb") as f:
        return read(f.read())

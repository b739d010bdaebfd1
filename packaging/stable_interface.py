#!/usr/bin/env python3
"""Checks the module's stable interface (gauge names, named variables, sound
paths, read from the built MERTQ4.gau) against the committed list, and the
module's version resource against VERSION.

Inputs: --module MERTQ4.gau, the list (tests/interface/stable_interface.txt),
VERSION and CHANGELOG.md. A difference fails with what changed. --update
rewrites the list, and only when VERSION is above the list's version and
CHANGELOG.md has an entry for VERSION: an interface change is a release."""

import argparse
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import module_interface  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
KINDS = ("gauge", "variable", "sound")
HEADER = (
    "# The module's stable interface: what panels, XML gauges and sound sets name.\n"
    "# Changing any line needs a new VERSION and a CHANGELOG.md entry; regenerate\n"
    "# with packaging/stable_interface.py --module MERTQ4.gau --update.\n"
)


class InterfaceError(Exception):
    pass


def parse_version(text, where):
    m = re.fullmatch(r"(\d+)\.(\d+)\.(\d+)", text.strip())
    if not m:
        raise InterfaceError(f"{where}: '{text.strip()}' is not MAJOR.MINOR.PATCH")
    return tuple(int(p) for p in m.groups())


def parse_list(text):
    """(version, {'gauge': [...], ...}) from the committed list."""
    version, found = None, {k: [] for k in KINDS}
    for n, line in enumerate(text.splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        kind, _, value = line.partition(" ")
        if kind == "version":
            version = parse_version(value, f"interface list line {n}")
        elif kind in found and value:
            found[kind].append(value)
        else:
            raise InterfaceError(f"interface list line {n}: '{line}' is not '<kind> <name>'"
                                 f" with kind one of version, {', '.join(KINDS)}")
    if version is None:
        raise InterfaceError("interface list: no 'version' line")
    return version, {k: sorted(v) for k, v in found.items()}


def format_list(version, interface):
    lines = [HEADER, "version " + ".".join(map(str, version))]
    for kind in KINDS:
        lines += [f"{kind} {name}" for name in interface[kind]]
    return "\n".join(lines) + "\n"


def changelog_has(changelog, version):
    """Whether CHANGELOG.md has a dated '## [X.Y.Z] - YYYY-MM-DD' heading."""
    v = re.escape(".".join(map(str, version)))
    return re.search(rf"^## \[{v}\] - \d{{4}}-\d{{2}}-\d{{2}}$", changelog, re.M) is not None


def differences(listed, built):
    out = []
    for kind in KINDS:
        out += [f"  {kind} {n} is gone" for n in sorted(set(listed[kind]) - set(built[kind]))]
        out += [f"  {kind} {n} is new" for n in sorted(set(built[kind]) - set(listed[kind]))]
    return out


def check(list_text, built, version_text, changelog, update=False):
    """Returns the list's new text (for --update) or None; raises InterfaceError."""
    version = parse_version(version_text, "VERSION")
    listed_version, listed = parse_list(list_text)
    if listed_version > version:
        raise InterfaceError(f"the interface list is for {listed_version}, above VERSION {version}")
    if not changelog_has(changelog, listed_version):
        raise InterfaceError("CHANGELOG.md has no dated entry for the interface list's version "
                             + ".".join(map(str, listed_version)))
    changed = differences(listed, built)
    if not changed:
        return None
    if not update:
        raise InterfaceError("the module's stable interface changed:\n" + "\n".join(changed) +
                             "\nbump VERSION, add a CHANGELOG.md entry, then run with --update")
    if version <= listed_version:
        raise InterfaceError("the interface changed but VERSION was not raised above "
                             + ".".join(map(str, listed_version)))
    if not changelog_has(changelog, version):
        raise InterfaceError("CHANGELOG.md has no dated entry for VERSION "
                             + ".".join(map(str, version)))
    return format_list(version, built)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--module", required=True, help="the built MERTQ4.gau")
    ap.add_argument("--list", default=os.path.join(ROOT, "tests/interface/stable_interface.txt"))
    ap.add_argument("--update", action="store_true", help="rewrite the list after a release")
    args = ap.parse_args()

    def text(path):
        with open(path, encoding="utf-8") as f:
            return f.read()
    try:
        with open(args.module, "rb") as f:
            stated = module_interface.version_resource(f.read())
        if stated != text(os.path.join(ROOT, "VERSION")).strip():
            raise InterfaceError(f"the module's version resource states {stated}, not VERSION's "
                                 + text(os.path.join(ROOT, "VERSION")).strip())
        new = check(text(args.list), module_interface.read_file(args.module),
                    text(os.path.join(ROOT, "VERSION")), text(os.path.join(ROOT, "CHANGELOG.md")),
                    update=args.update)
    except (InterfaceError, OSError) as e:
        print(f"stable_interface: {e}", file=sys.stderr)
        return 1
    if new is not None:
        with open(args.list, "w", encoding="utf-8") as f:
            f.write(new)
        print(f"stable_interface: {args.list} updated")
    return 0


if __name__ == "__main__":
    sys.exit(main())

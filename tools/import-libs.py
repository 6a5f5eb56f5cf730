#!/usr/bin/env python3
"""Writes import libraries for a Windows target that Debian has none for.

Each DLL gets OUT/<dll>.def and OUT/lib<dll>.a with exactly the functions
that the objects call and none of them defines. Which DLL exports a function,
and under which name, is read from the x64 MinGW import libraries, which the
x64 launcher links: a function that those leave to the static runtime (they
import it as data only, or not at all) is left out here too, so the two
launchers import the same. A library whose .def did not change is kept.

usage: import-libs.py --machine arm64 --out DIR --reference DIR
                      --dlls kernel32 ... --objects FILE ...
"""
import argparse
import os
import re
import subprocess
import sys

IMP = "__imp_"


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def symbols(nm, files):
    """(member, name, defined) of every symbol, in nm's portable format."""
    for line in run(nm, "-P", "-A", *files).splitlines():
        where, _, rest = line.rpartition(": ")
        fields = rest.split()
        if len(fields) < 2:
            continue
        member = where[where.find("[") + 1:-1] if where.endswith("]") else where
        yield member, fields[0], fields[1] not in ("U", "w", "v")


def section_bytes(objdump, library, section):
    """The contents of one section of each member, by member."""
    contents, member = {}, None
    for line in run(objdump, "-s", "-j", section, library).splitlines():
        opened = re.match(r"^\S+\((.+)\):\s+file format", line)
        if opened:
            member = opened.group(1)
            continue
        row = re.match(r"^ [0-9a-f]{4,} ((?:[0-9a-f]{2,8} ?){1,4})", line)
        if row and member:
            contents[member] = contents.get(member, b"") + bytes.fromhex(row.group(1).replace(" ", ""))
    return contents


def imports_of(nm, objdump, library, wanted):
    """The DLL of library and, for each wanted name it exports as code or
    was asked for as data only, the line of the .def that imports it."""
    code, data = {}, {}
    for member, name, defined in symbols(nm, [library]):
        if defined:
            (data if name.startswith(IMP) else code)[name.removeprefix(IMP)] = member
    names = section_bytes(objdump, library, ".idata$6")
    dll = None
    for text in section_bytes(objdump, library, ".idata$7").values():
        text = text.split(b"\0")[0]
        if text.lower().endswith(b".dll"):
            dll = text.decode()
    lines = {}
    for name, plain in wanted.items():
        member = data.get(name)
        if member is None or member not in names:
            continue
        if plain and code.get(name) != member:
            continue
        imported = names[member][2:].split(b"\0")[0].decode()
        suffix = "" if code.get(name) == member else " DATA"
        if imported == name:
            lines[name] = [name + suffix]
        else:
            # An alias: the DLL exports the other name only.
            lines[name] = [imported + suffix, f"{name} == {imported}"]
    return dll, lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--machine", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--reference", required=True)
    parser.add_argument("--dlls", nargs="+", required=True)
    parser.add_argument("--objects", nargs="+", required=True)
    parser.add_argument("--nm", default="llvm-nm")
    parser.add_argument("--objdump", default="llvm-objdump")
    parser.add_argument("--dlltool", default="llvm-dlltool")
    args = parser.parse_args()

    defined, called = set(), {}
    objects = [f for f in args.objects if not f.endswith(".res")]
    for _, name, is_defined in symbols(args.nm, objects):
        if is_defined:
            defined.add(name)
        else:
            plain = not name.startswith(IMP)
            name = name.removeprefix(IMP)
            called[name] = called.get(name, False) or plain
    wanted = {name: plain for name, plain in called.items() if name not in defined}

    os.makedirs(args.out, exist_ok=True)
    for stem in args.dlls:
        dll, lines = imports_of(args.nm, args.objdump, os.path.join(args.reference, f"lib{stem}.a"), wanted)
        if dll is None:
            sys.exit(f"import-libs: no DLL name in lib{stem}.a")
        for name in lines:
            del wanted[name]
        exports = sorted({line for found in lines.values() for line in found})
        text = f'LIBRARY "{dll}"\nEXPORTS\n' + "".join(line + "\n" for line in exports)
        definition = os.path.join(args.out, f"{stem}.def")
        library = os.path.join(args.out, f"lib{stem}.a")
        if os.path.exists(library) and os.path.exists(definition):
            with open(definition) as old:
                if old.read() == text:
                    continue
        with open(definition, "w") as new:
            new.write(text)
        run(args.dlltool, "-m", args.machine, "-d", definition, "-l", library)


if __name__ == "__main__":
    main()

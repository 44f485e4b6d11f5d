#!/usr/bin/python3
"""Checks a built Velvinor.exe without running it (no Wine needed): its processor
architecture, that it stands alone (no compiler runtime DLL beside it), its icon,
Russian version information and manifest, and with --xp that 32-bit Windows XP can
load it: a system version it accepts, and only functions it has, both those the
program imports and those it binds when first used (--late-bound).

    check_exe.py --machine x86 [--xp FUNCTIONS --late-bound LateBound.h] Velvinor.exe
"""
import argparse
import re
import sys

import pefile

MACHINES = {"x86": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"], 0x10B),
            "amd64": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"], 0x20B)}
RT_ICON, RT_GROUP_ICON, RT_MANIFEST = 3, 14, 24
VERSION_TABLE = "041904E3"  # Russian, code page 1251
VERSION_TEXTS = {"FileDescription": "Вельвинор", "ProductName": "Вельвинор",
                 "OriginalFilename": "Velvinor.exe", "CompanyName": "Trelkon"}
# Windows XP loads no program that asks for a later system than 5.1.
XP_VERSION = (5, 1)

failures = 0


def check(ok, what):
    global failures
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures += 1


def imports(pe):
    """(dll, function) pairs, the DLL in lower case; an import by ordinal as #N."""
    pairs = []
    for dll in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        name = dll.dll.decode("ascii").lower()
        for f in dll.imports:
            pairs.append((name, f.name.decode("ascii") if f.name else "#%d" % f.ordinal))
    return pairs


def late_bound(header):
    """The (dll, function) pairs of LateBound.h's bindings: {L"dll", "Function"}."""
    text = open(header, encoding="utf-8").read()
    return [(d.lower(), f) for d, f in re.findall(r'\{L"([^"]+)",\s*"([^"]+)"\}', text)]


def resource(pe, type_id, name_id=None):
    """The data of the first resource of a type (and name), or None."""
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return None
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if t.id != type_id:
            continue
        for entry in t.directory.entries:
            if name_id is not None and entry.id != name_id:
                continue
            for lang in entry.directory.entries:
                d = lang.data.struct
                return pe.get_data(d.OffsetToData, d.Size)
    return None


def version_texts(pe):
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                if table.LangID.decode("ascii").upper() == VERSION_TABLE:
                    return {k.decode(): v.decode("utf-8") for k, v in table.entries.items()}
    return {}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("exe")
    parser.add_argument("--machine", choices=sorted(MACHINES), required=True)
    parser.add_argument("--xp", metavar="FUNCTIONS", help="the list of functions Windows XP has")
    parser.add_argument("--late-bound", metavar="HEADER", help="LateBound.h, the functions bound when first used")
    args = parser.parse_args()

    pe = pefile.PE(args.exe)
    machine, magic = MACHINES[args.machine]
    check(pe.FILE_HEADER.Machine == machine and pe.OPTIONAL_HEADER.Magic == magic,
          "a program for %s (machine 0x%x, optional header 0x%x)" %
          (args.machine, pe.FILE_HEADER.Machine, pe.OPTIONAL_HEADER.Magic))
    check(pe.OPTIONAL_HEADER.Subsystem == pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"],
          "a windowed program (subsystem %d)" % pe.OPTIONAL_HEADER.Subsystem)

    pairs = imports(pe)
    dlls = sorted({d for d, _ in pairs})
    runtime = [d for d in dlls if d.startswith("lib")]
    check(pairs and not runtime, "only the system's DLLs: %s%s" %
          (" ".join(dlls), " (not beside it: %s)" % " ".join(runtime) if runtime else ""))

    icon_group = resource(pe, RT_GROUP_ICON)
    check(icon_group is not None and len(icon_group) >= 6 and int.from_bytes(icon_group[4:6], "little") >= 1
          and resource(pe, RT_ICON) is not None, "an icon")
    texts = version_texts(pe)
    wrong = {k: texts.get(k) for k, v in VERSION_TEXTS.items() if texts.get(k) != v}
    check(not wrong, "Russian version information (%s)%s" %
          (VERSION_TABLE, "; wrong or missing: %s" % wrong if wrong else ""))
    manifest = (resource(pe, RT_MANIFEST, 1) or b"").decode("utf-8", "replace")
    check('name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' in manifest,
          "the manifest asks for common controls 6")
    archs = sorted(set(re.findall(r'processorArchitecture="([^"]*)"', manifest)))
    check(archs == [args.machine], "the manifest names the program's architecture (%s): %s" %
          (args.machine, " ".join(archs) or "none"))

    if args.xp:
        major, minor = pe.OPTIONAL_HEADER.MajorSubsystemVersion, pe.OPTIONAL_HEADER.MinorSubsystemVersion
        os_major, os_minor = (pe.OPTIONAL_HEADER.MajorOperatingSystemVersion,
                              pe.OPTIONAL_HEADER.MinorOperatingSystemVersion)
        check((major, minor) <= XP_VERSION and (os_major, os_minor) <= XP_VERSION,
              "asks for no system later than Windows XP (subsystem %d.%d, system %d.%d)" %
              (major, minor, os_major, os_minor))
        known = set()
        for line in open(args.xp, encoding="utf-8"):
            line = line.split("#", 1)[0].split()
            if line:
                known.add((line[0].lower(), line[1]))
        missing = [p for p in pairs if p not in known]
        check(not missing, "imports only functions Windows XP has (%d)%s" % (len(pairs), "".join(
            "\n       not known on XP: %s!%s" % p for p in missing)))
        if args.late_bound:
            bound = late_bound(args.late_bound)
            missing = [p for p in bound if p not in known]
            check(bound and not missing, "binds only functions Windows XP has when first used (%d)%s" % (
                len(bound), "".join("\n       not known on XP: %s!%s" % p for p in missing)))

    if failures:
        print("%d check(s) of %s failed" % (failures, args.exe))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""The structural checks of the source tree, each one process that reads the files
once (a shell loop forking per include took minutes on a busy machine).

usage: lints.py CHECK [--root DIR]
CHECK: include_layers, no_win32_headers, readme_map or win32_backend_convention.
Exits 0 when the rule holds, 1 with the offending places when it does not."""

import fnmatch
import glob
import os
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


# ---- include_layers -------------------------------------------------------------
# The folders include only downward:
#   startup -> host -> media | sound | install | probe -> forms | runtime -> platform interfaces
# Folders on one level do not include each other. The simulated and the real
# platform include only the platform interfaces, forms/ and runtime/ (and their own
# folder) and the real services free of Windows headers, platform/native/.

LAYERS = (("startup/", "startup"), ("host/", "host"), ("media/", "part"), ("sound/", "part"),
          ("install/", "part"), ("probe/", "part"), ("forms/", "base"), ("runtime/", "base"),
          ("platform/sim/", "sim"), ("platform/win32/", "win32"), ("platform/native/", "native"),
          ("platform/linux/", "linux"), ("platform/", "iface"))

# What each layer may include besides its own folder.
ALLOWED = {
    "startup": {"host", "part", "base", "iface"},
    "host": {"part", "base", "iface"},
    "part": {"base", "iface"},
    "base": {"iface"},
    "iface": set(),
    "native": {"iface"},
    "sim": {"base", "iface", "native"},
    "win32": {"base", "iface", "native"},
    "linux": {"base", "iface", "native"},
}

# The entry points stand above the layers where they live: they build the program.
EXEMPT = {"platform/win32/WinMain.cpp", "platform/linux/main.cpp"}


def Layer(path):
    for start, layer in LAYERS:
        if path.startswith(start):
            return layer
    return "other"


def SourceFiles(root, folders, skip_dir=lambda name: False):
    for folder in folders:
        for here, dirs, files in os.walk(root / folder):
            dirs[:] = sorted(d for d in dirs if not skip_dir(d))
            for name in sorted(files):
                if name.endswith((".h", ".cpp")):
                    yield pathlib.Path(here) / name


def Lines(path):
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        return f.read().splitlines()


def IncludeLayers(root):
    bad = []
    folders = [f for f in ("startup", "host", "media", "sound", "install", "probe", "forms", "runtime", "platform")
               if (root / f).is_dir()]
    for path in sorted(SourceFiles(root, folders)):
        rel = path.relative_to(root).as_posix()
        if rel in EXEMPT:
            continue
        source = Layer(rel)
        folder = os.path.dirname(rel)
        for line in Lines(path):
            m = INCLUDE.match(line)
            if not m:
                continue
            target = m.group(1)
            if os.path.dirname(target) == folder:
                continue
            layer = Layer(target)
            if layer != "other" and layer not in ALLOWED.get(source, set()):
                bad.append(f"{rel} -> {target}")
    if bad:
        print("Includes running up or sideways between the folders:")
        print("".join(f"  {b}\n" for b in bad), end="")
        return 1
    print("every include runs downward")
    return 0


# ---- no_win32_headers -------------------------------------------------------------
# The portable program and the simulated platform include no Win32 header: only
# the real backend and the Wine test programs may.

WIN32_HEADER = re.compile(r'#\s*include\s*[<"](windows|winuser|winbase|mmsystem|ole2|oleauto|objbase|shlobj|'
                          r'shellapi|ddeml|commctrl|richedit|winspool|commdlg|winreg)\.h[>"]', re.IGNORECASE)


def NoWin32Headers(root):
    skip = lambda name: name in ("win32", "wine") or fnmatch.fnmatch(name, "build*")
    hits = []
    for path in SourceFiles(root, ["."], skip):
        for n, line in enumerate(Lines(path), 1):
            if WIN32_HEADER.search(line):
                hits.append(f"./{path.relative_to(root).as_posix()}:{n}:{line}")
    if hits:
        print("Win32 headers outside the real backend:")
        print("\n".join(hits))
        return 1
    print("no Win32 header outside platform/win32 and tests/wine")
    return 0


# ---- readme_map -------------------------------------------------------------------
# The README's map stays true: every scenario is named in it, and every file or
# pattern its tables name (`media/ClipPlayback.*`, `tests/...`) exists.

README_PATH = re.compile(r"`((?:startup|host|media|probe|sound|install|forms|runtime|platform|tools|tests|bench|"
                         r"docs|scenarios)/[^` ]+)`")


def ReadmeMap(root):
    readme = (root / "README.md").read_text(encoding="utf-8")
    status = 0
    for scn in sorted((root / "tests" / "scenarios").glob("*.scn")):
        if f"`{scn.stem}`" not in readme:
            print(f"README.md does not name the scenario {scn.stem}")
            status = 1
    rows = [line for line in readme.splitlines() if line.startswith("|")]
    for path in sorted({m for row in rows for m in README_PATH.findall(row)}):
        if not glob.glob(str(root / path)):
            print(f"README.md names {path}, which does not exist")
            status = 1
    if status == 0:
        print("the README names every scenario and every file it points to exists")
    return status


# ---- win32_backend_convention -----------------------------------------------------
# The real backend reaches Windows one way: <windows.h> through platform/win32/Win32.h
# only (which drops the A/W macros that would rename the program's own methods), and
# the code-page conversions in WinText.h only.

BACKEND_RULES = (
    (re.compile(r"#\s*include\s*<windows\.h>"), "Win32.h", "<windows.h> included"),
    (re.compile(r"\b(MultiByteToWideChar|WideCharToMultiByte|AnsiToWide|WideToAnsi)\b"), "WinText.h",
     "text converted"),
)


def Win32BackendConvention(root):
    backend = root / "platform" / "win32"
    files = sorted(backend.glob("*.h")) + sorted(backend.glob("*.cpp"))
    status = 0
    for pattern, home, what in BACKEND_RULES:
        hits = [f"platform/win32/{path.name}:{n}:{line}" for path in files if path.name != home
                for n, line in enumerate(Lines(path), 1) if pattern.search(line)]
        if hits:
            print(f"{what} outside platform/win32/{home}:")
            print("\n".join(hits))
            status = 1
    if status == 0:
        print("the Windows backend includes Win32.h and converts text in WinText.h")
    return status


CHECKS = {
    "include_layers": IncludeLayers,
    "no_win32_headers": NoWin32Headers,
    "readme_map": ReadmeMap,
    "win32_backend_convention": Win32BackendConvention,
}


def main(argv):
    root = pathlib.Path(__file__).resolve().parent.parent
    if len(argv) == 3 and argv[1] == "--root":
        root = pathlib.Path(argv[2]).resolve()
        argv = argv[:1]
    if len(argv) != 1 or argv[0] not in CHECKS:
        sys.exit(__doc__)
    return CHECKS[argv[0]](root)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

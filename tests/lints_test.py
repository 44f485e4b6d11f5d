#!/usr/bin/env python3
"""Each structural check of tests/lints.py fails on a violation planted in a small
tree, and passes on the same tree without it: a check that cannot fail guards
nothing."""

import contextlib
import io
import pathlib
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import lints  # noqa: E402

README = "| Behaviour | Code | Scenarios |\n|---|---|---|\n| clips | `media/Clip.*` | `clip_plays` |\n"

# check: (the clean tree, the planted files, the lines the failure must print)
CASES = {
    "include_layers": (
        {"host/Main.cpp": '#include "forms/Form.h"\n#include "host/Main.h"\n',
         "forms/Form.h": '#include "platform/Ui.h"\n#include <vector>\n',
         "platform/win32/WinMain.cpp": '#include "startup/Velvinor.h"\n'},
        {"forms/Form.cpp": '  #  include "host/Main.h"\n'},
        "  forms/Form.cpp -> host/Main.h"),
    "no_win32_headers": (
        {"host/Main.cpp": "#include <vector>\n", "platform/win32/Win32.h": "#include <windows.h>\n",
         "tests/wine/Driver.cpp": "#include <shellapi.h>\n", "build-x/gen.cpp": "#include <windows.h>\n"},
        {"media/Clip.cpp": "// x\n# include <MMSystem.h>\n"},
        "./media/Clip.cpp:2:# include <MMSystem.h>"),
    "readme_map": (
        {"README.md": README, "media/Clip.cpp": "", "tests/scenarios/clip_plays.scn": ""},
        {"tests/scenarios/clip_stops.scn": "", "README.md": README + "| stops | `media/Stop.cpp` | |\n"},
        "README.md does not name the scenario clip_stops\nREADME.md names media/Stop.cpp, which does not exist"),
    "win32_backend_convention": (
        {"platform/win32/Win32.h": "#include <windows.h>\n", "platform/win32/WinText.h": "WideToAnsi(x);\n",
         "platform/win32/WinUi.cpp": '#include "platform/win32/Win32.h"\nMyWideToAnsiTable t;\n'},
        {"platform/win32/WinUi.cpp": "#include <windows.h>\nauto s = WideToAnsi(x);\n"},
        "platform/win32/WinUi.cpp:2:auto s = WideToAnsi(x);"),
}


def Plant(root, files):
    for rel, text in files.items():
        path = root / rel
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text, encoding="utf-8")


def Run(check, root):
    out = io.StringIO()
    with contextlib.redirect_stdout(out):
        status = lints.CHECKS[check](root)
    return status, out.getvalue()


def main():
    failures = []
    for check, (clean, planted, expected) in CASES.items():
        with tempfile.TemporaryDirectory() as tmp:
            root = pathlib.Path(tmp)
            Plant(root, clean)
            status, out = Run(check, root)
            if status != 0:
                failures.append(f"{check} refused the clean tree:\n{out}")
            Plant(root, planted)
            status, out = Run(check, root)
            if status != 1 or any(line not in out.splitlines() for line in expected.splitlines()):
                failures.append(f"{check} did not report the planted violation ({expected!r}):\n{out}")
    for f in failures:
        print(f)
    print(f"{len(CASES)} checks, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Checks that each expected trace here is the one at a git revision with whole
lines removed: no line changed, added or moved, and only service lines (not the
runner's, the events, notes or dumps) removed. The only line allowed in addition
is the echo of a "trace" command given during a run. Used when scenarios change what
their trace shows. With --grown the other way round: each old trace is the new
one with whole service lines removed (a scenario shows more services).

usage: check_subsequence.py [--grown] BASE-REVISION"""

import pathlib
import subprocess
import sys

SERVICES = ("reg ", "file ", "shell ", "process ", "ui ", "messagebox ", "movie ", "media ",
            "mixer ", "dde ", "printer ", "script ", "time ")
TRACE_COMMAND = "> trace "


def IsService(line):
    # A dump's title ("file "PATH":") is not a service's line; the echo of a
    # "trace" line during a run comes and goes with it.
    return (line.startswith(SERVICES) and not line.endswith(":")) or line.startswith(TRACE_COMMAND)


def main():
    args = sys.argv[1:]
    grown = bool(args) and args[0] == "--grown"
    if grown:
        args = args[1:]
    if len(args) != 1:
        sys.exit(__doc__)
    base = args[0]
    here = pathlib.Path(__file__).resolve().parent
    top = pathlib.Path(subprocess.check_output(["git", "-C", here, "rev-parse", "--show-toplevel"], text=True).strip())
    failed = False
    total_old = total_new = 0
    for expected in sorted(here.glob("*.expected")):
        rel = expected.relative_to(top).as_posix()
        shown = subprocess.run(["git", "-C", top, "show", f"{base}:{rel}"], capture_output=True, text=True)
        if shown.returncode != 0:
            print(f"{expected.name}: new (not at {base})")
            continue
        old = shown.stdout.splitlines()
        new = expected.read_text(encoding="utf-8").splitlines()
        if grown:
            old, new = new, old
        total_old += len(old)
        total_new += len(new)
        i = 0
        problems = []
        for n, line in enumerate(new, 1):
            if line.startswith(TRACE_COMMAND):
                continue  # the echo of a "trace" line during a run
            start = i
            while i < len(old) and old[i] != line:
                i += 1
            if i == len(old):
                problems.append(f"line {n} is not in the old trace (after its line {start}): {line}")
                break
            for removed in old[start:i]:
                if not IsService(removed):
                    problems.append(f"removed a line that is not a service's: {removed}")
            i += 1
        for removed in old[i:]:
            if not IsService(removed):
                problems.append(f"removed a line that is not a service's: {removed}")
        status = "FAILED" if problems else "ok"
        before, after = (new, old) if grown else (old, new)
        print(f"{expected.name}: {len(before)} -> {len(after)} lines {status}")
        for p in problems[:5]:
            print("   ", p)
        failed |= bool(problems)
    if grown:
        total_old, total_new = total_new, total_old
    share = 100 * (total_old - total_new) // max(total_old, 1)
    print(f"all: {total_old} -> {total_new} lines ({share} % removed)")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env bash
# Runs moviehost_check against the stand-in control in a fresh Wine prefix,
# under Xvfb when there is no display: first with no control registered, then with
# the stand-in registered (regsvr32) for the full run, the failure paths, the movie's
# own frames, an unreadable movie, the stepping gate and script access.
# Usage: run-check.sh FLASHSTUB_DLL MOVIEHOST_CHECK_EXE
set -euo pipefail
if [ $# -ne 2 ]; then echo "usage: $0 FLASHSTUB_DLL MOVIEHOST_CHECK_EXE" >&2; exit 2; fi
dll=$(realpath "$1")
exe=$(realpath "$2")
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a "$0" "$dll" "$exe"; fi

work=$(mktemp -d /tmp/velvinor-moviehost.XXXXXX)
# A 32-bit check in a 32-bit prefix, a 64-bit one in a 64-bit prefix (../loader.sh).
source "$(dirname "$(realpath "$0")")/../loader.sh"
use_wine_for "$exe"
export WINEPREFIX=$work/prefix WINEARCH=$PROGRAM_WINEARCH WINEDEBUG=-all
# No Mono or Gecko installer dialogs while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k >/dev/null 2>&1 || true  # this prefix's server only
  rm -rf "$work"
}
trap cleanup EXIT

timeout 300 "$WINE" wineboot -i >/dev/null 2>&1
winpath() { winepath -w "$1" 2>/dev/null; }

status=0
run() {  # mode, then VAR=value settings for that run
  local mode=$1; shift
  if ! env "$@" timeout 120 "$WINE" "$exe" "$mode"; then
    status=1
    if [ -s "$work/stub.log" ]; then echo "--- the control's log:"; cat "$work/stub.log"; fi
  fi
  rm -rf "$work/stub.log" "$work/commands.txt" "$work/gate"
}

log=$(winpath "$work/stub.log")
commands=$(winpath "$work/commands.txt")

run unregistered
timeout 120 "$WINE" regsvr32 /s "$(winpath "$dll")"
run full VELVINOR_STUB_LOG="$log" VELVINOR_STUB_COMMANDS="$commands" VELVINOR_STUB_VERSION="WIN 10,0,45,2"
run failures VELVINOR_STUB_LOG="$log" VELVINOR_STUB_FAIL="FlashVars,SetVariable" VELVINOR_STUB_VERSION=
run movie VELVINOR_STUB_LOG="$log" VELVINOR_STUB_COMMANDS="$commands"
run unreadable VELVINOR_STUB_LOG="$log" VELVINOR_STUB_COMMANDS="$commands"
mkdir -p "$work/gate"
run gate VELVINOR_STUB_LOG="$log" VELVINOR_STUB_GATE="$(winpath "$work/gate")"
run scriptaccess VELVINOR_STUB_LOG="$log"
exit $status

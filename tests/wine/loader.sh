# Which Wine runs a Windows program file (sourced by the harness and the checks that
# make prefixes of their own): `use_wine_for FILE` sets PROGRAM_BITS (32 or 64, from
# the file's header), WINE (the loader to start programs with) and the prefix kind
# the program needs (PROGRAM_WINEARCH).
#
# A 32-bit program runs under Debian's `wine`, as it always has. A 64-bit one runs
# under the 64-bit loader itself, in a 64-bit prefix: Debian's `wine` and its tools
# (wineboot, winepath) take the 32-bit loader whenever it is installed, and that one
# cannot start where the machine runs no 32-bit code. So that a script's own `wine`,
# `wineboot` and `winepath` go through the right loader, they are then functions;
# a command that runs the loader itself (timeout, env, exec) names "$WINE".

WINE64_LOADER=/usr/lib/wine/wine64

# 32 or 64: the machine field of the file's PE header.
pe_bits() {
  local at machine
  at=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$at" ] || return 1
  machine=$(od -An -tx2 -j$((at + 4)) -N2 "$1" | tr -d ' ')
  case $machine in
    014c) echo 32 ;;
    8664) echo 64 ;;
    *) return 1 ;;
  esac
}

use_wine_for() {
  PROGRAM_BITS=$(pe_bits "$1") || { echo "$1 is no Windows program for x86 or x64" >&2; return 1; }
  if [ "$PROGRAM_BITS" = 64 ]; then
    [ -x "$WINE64_LOADER" ] || { echo "64-bit Wine is missing ($WINE64_LOADER): scripts/install-deps.sh windows" >&2; return 1; }
    WINE=$WINE64_LOADER PROGRAM_WINEARCH=win64
    # The loader Wine starts further programs with (cmd, the relaunched copy).
    export WINELOADER=$WINE64_LOADER
    wine() { "$WINE" "$@"; }
    wineboot() { "$WINE" wineboot "$@"; }
    winepath() { "$WINE" winepath "$@"; }
  else
    WINE=wine PROGRAM_WINEARCH=win32
  fi
}

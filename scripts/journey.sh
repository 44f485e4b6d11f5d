#!/usr/bin/env bash
# The main job: a family's journey with the demo disc under Wine, from the disc to
# the uninstall. Installs what is missing, builds Velvinor.exe and the project's
# stand-ins, makes the demo disc, and runs tests/wine/journey.sh in a fresh prefix
# with the disc as CD-ROM drive D:, telling each stage in plain words and keeping a
# screenshot of each.
#
# Usage: scripts/journey.sh [--linux | --linux-install] [--step] [--xvfb] [--load N] [--system NAME] [--out DIR] [--wine64]
#   --linux    the Linux program instead: velvinor plays the demo disc with Ruffle in
#              WebKitGTK, from the intro to the movie's "quit" (tests/linux/journey.sh;
#              default --out out/journey-linux)
#   --linux-install  the Linux program from a folder declared a disc to the
#              applications menu and back: the installer dialog by keyboard, the
#              copy, the menu entries, the game, the removal entry
#              (tests/linux/install-journey.sh; default --out out/journey-linux-install)
#   --step     waits for Enter before each stage
#   --load N   (Linux) processes that only spin run beside the journey up to a load of N
#   --system   the family's Windows: russian, win64 or xp (default: Wine's own)
#   --xvfb     runs on a virtual display even where there is a desktop ($DISPLAY);
#              without a desktop the journey always runs on one
#   --out DIR  where the screenshots and logs go (default: out/journey)
#   --wine64   runs the 64-bit build even where the machine runs 32-bit code (as
#              VEL_WINE64=1 does); where it runs none, the 64-bit build always runs
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

usage() { sed -n '8,23p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
out=''
pass=()
xvfb=0
linux=0
linux_journey=journey.sh
while [ $# -gt 0 ]; do
  case "$1" in
    --linux) linux=1; shift ;;
    --linux-install) linux=1; linux_journey=install-journey.sh; shift ;;
    --step) pass+=("$1"); shift ;;
    --load) [ $# -ge 2 ] || usage; pass+=(--load "$2"); shift 2 ;;
    --xvfb) xvfb=1; shift ;;
    --system) [ $# -ge 2 ] || usage; pass+=(--system "$2"); shift 2 ;;
    --out) [ $# -ge 2 ] || usage; out=$2; shift 2 ;;
    --wine64) export VEL_WINE64=1; shift ;;
    -h|--help) usage ;;
    *) echo "journey: unknown argument $1" >&2; usage ;;
  esac
done
if [ -z "$out" ]; then
  case "$linux:$linux_journey" in
    0:*) out=out/journey ;;
    1:journey.sh) out=out/journey-linux ;;
    *) out=out/journey-linux-install ;;
  esac
fi
mkdir -p "$out"
out=$(cd "$out" && pwd)

if [ $linux -eq 1 ]; then
  { printf '%s\n' "${pass[@]}" | grep -qx -- --system || [ -n "${VEL_WINE64:-}" ]; } &&
    { echo "journey: --system and --wine64 are for the Windows journey" >&2; exit 2; }
  echo "== Installing what is missing"
  scripts/install-deps.sh native linux
  echo "== Building velvinor (GTK, WebKitGTK with Ruffle, GStreamer) and the disc's movie tool"
  cmake -S . -B build/linux -DCMAKE_BUILD_TYPE=Release -DVEL_LINUX=ON -DVEL_BENCHMARKS=OFF >/dev/null
  cmake --build build/linux -j"$(nproc)" --target velvinor velvinor_swfgen >/dev/null
  echo "== Making the demo disc with the Linux program on it"
  export VEL_LINUX_DISC=$out/disc
  scripts/make-disc.sh --linux build/linux/platform/linux --swfgen build/linux/tools/swf/velvinor_swfgen \
    "$VEL_LINUX_DISC" | sed 's/^/   /'
  if [ $xvfb -eq 0 ] && [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
    echo "== Running on the display $DISPLAY"
    pass+=(--display)
  fi
  exec "tests/linux/$linux_journey" "${pass[@]}" "$out"
fi

printf '%s\n' "${pass[@]}" | grep -qx -- --load && { echo "journey: --load is for the Linux journeys" >&2; exit 2; }

# The 32-bit product where the machine runs 32-bit code, else the 64-bit build.
echo "== What this machine runs"
wine_build=$(scripts/wine-build.sh --tell)

echo "== Installing what is missing"
scripts/install-deps.sh native windows

echo "== Building (the disc's movie tool natively, Velvinor.exe and the stand-ins for Windows)"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVEL_TESTS=OFF -DVEL_BENCHMARKS=OFF >/dev/null
cmake --build build/release -j"$(nproc)" --target velvinor_swfgen >/dev/null
swfgen=$root/build/release/tools/swf/velvinor_swfgen
if [ "$wine_build" = win64 ]; then toolchain=cmake/mingw-x86_64.cmake; else toolchain=cmake/mingw-i686.cmake; fi
cmake -S . -B "build/$wine_build" -DCMAKE_TOOLCHAIN_FILE=$toolchain -DCMAKE_BUILD_TYPE=Release \
  -DVEL_SWFGEN="$swfgen" >/dev/null
cmake --build "build/$wine_build" -j"$(nproc)" --target Velvinor driver progman_server flashstub >/dev/null
w=$root/build/$wine_build
export VEL_EXE=$w/platform/win32/Velvinor.exe VEL_DRIVER=$w/tests/wine/driver.exe \
  VEL_PROGMAN=$w/tests/wine/progman_server.exe VEL_FLASHSTUB=$w/tests/wine/flashstub/flashstub.dll

echo "== Making the demo disc"
export VEL_DISC=$out/disc
scripts/make-disc.sh --exe "$VEL_EXE" --swfgen "$swfgen" "$VEL_DISC" | sed 's/^/   /'

# On the desktop when there is one to watch it on.
if [ $xvfb -eq 0 ] && [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  echo "== Running on the display $DISPLAY"
  pass+=(--display)
fi
exec tests/wine/journey.sh "${pass[@]}" "$out"

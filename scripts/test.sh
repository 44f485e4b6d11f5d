#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the simulated build with its
# tests, then Velvinor.exe cross-built for 32-bit Windows and the Wine tests, then the
# Linux program velvinor with its services' tests and its journeys under Xvfb.
#   --wine64   the Wine tests run the 64-bit build even where the machine runs 32-bit
#              code (as VEL_WINE64=1 does)
set -euo pipefail
cd "$(dirname "$0")/.."
# ---- which build the Wine tests run (scripts/wine-build.sh) ----
if [ "${1:-}" = --wine64 ]; then export VEL_WINE64=1; shift; fi
[ $# -eq 0 ] || { echo "usage: scripts/test.sh [--wine64]" >&2; exit 2; }
wine_build=$(scripts/wine-build.sh --tell)
# ----
scripts/install-deps.sh native windows

# The simulated build, with the address and undefined-behaviour sanitizers.
cmake -S . -B build/sim -DCMAKE_BUILD_TYPE=Debug -DVEL_SANITIZE=ON >/dev/null
cmake --build build/sim -j"$(nproc)"
ctest --test-dir build/sim --output-on-failure -j"$(nproc)"

# Velvinor.exe and the Wine tests (one fresh 32-bit prefix for the run, on Xvfb).
# The demo disc's movie is written by the simulated build's velvinor_swfgen.
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
  -DVEL_SWFGEN="$PWD/build/sim/tools/swf/velvinor_swfgen" >/dev/null
# ---- where the machine runs no 32-bit code, the 32-bit product is built and checked
# without Wine, and the Wine tests run the 64-bit build in 64-bit prefixes ----
if [ "$wine_build" = win64 ]; then
  cmake --build build/win32 -j"$(nproc)" --target Velvinor
  ctest --test-dir build/win32 --output-on-failure -L static
  cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DVEL_SWFGEN="$PWD/build/sim/tools/swf/velvinor_swfgen" >/dev/null
fi
cmake --build "build/$wine_build" -j"$(nproc)"
tests/wine/matrix.sh --clear "build/$wine_build"
status=0
ctest --test-dir "build/$wine_build" --output-on-failure || status=$?
tests/wine/matrix.sh "build/$wine_build"

# ---- Linux: velvinor (GTK, WebKitGTK with Ruffle, GStreamer) over the Linux services,
# their contract tests, and the family's journeys with the demo disc under Xvfb (the game;
# from a folder declared a disc to the applications menu and back).
scripts/install-deps.sh linux
cmake -S . -B build/linux -DCMAKE_BUILD_TYPE=Release -DVEL_LINUX=ON -DVEL_BENCHMARKS=OFF >/dev/null
cmake --build build/linux -j"$(nproc)"
ctest --test-dir build/linux --output-on-failure || status=$?
exit $status

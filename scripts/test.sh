#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the simulated build with its
# tests, then Velvinor.exe cross-built for 32-bit Windows and the Wine tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native windows

# The simulated build, with the address and undefined-behaviour sanitizers.
cmake -S . -B build/sim -DCMAKE_BUILD_TYPE=Debug -DVEL_SANITIZE=ON >/dev/null
cmake --build build/sim -j"$(nproc)"
ctest --test-dir build/sim --output-on-failure -j"$(nproc)"

# Velvinor.exe and the Wine tests (one fresh 32-bit prefix for the run, on Xvfb).
# The demo disc's movie is written by the simulated build's velvinor_swfgen.
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
  -DVEL_SWFGEN="$PWD/build/sim/tools/swf/velvinor_swfgen" >/dev/null
cmake --build build/win32 -j"$(nproc)"
ctest --test-dir build/win32 --output-on-failure

# ---- Linux: velvinor (GTK, WebKitGTK with Ruffle, GStreamer) over the Linux services,
# their contract tests, and the family's journey with the demo disc under Xvfb.
scripts/install-deps.sh linux
cmake -S . -B build/linux -DCMAKE_BUILD_TYPE=Release -DVEL_LINUX=ON -DVEL_BENCHMARKS=OFF >/dev/null
cmake --build build/linux -j"$(nproc)"
ctest --test-dir build/linux --output-on-failure

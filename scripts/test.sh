#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native

# The simulated build, with the address and undefined-behaviour sanitizers.
cmake -S . -B build/sim -DCMAKE_BUILD_TYPE=Debug -DVEL_SANITIZE=ON >/dev/null
cmake --build build/sim -j"$(nproc)"
ctest --test-dir build/sim --output-on-failure -j"$(nproc)"

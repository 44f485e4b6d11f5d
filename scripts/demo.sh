#!/usr/bin/env bash
# The main job: builds the program and runs it on the simulated machine with the
# demo scenario, printing what it does.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVEL_TESTS=OFF -DVEL_BENCHMARKS=OFF >/dev/null
cmake --build build/release -j"$(nproc)" --target velvinor_scenario
build/release/tools/scenario/velvinor_scenario scenarios/demo.scn

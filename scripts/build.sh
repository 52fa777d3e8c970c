#!/usr/bin/env bash
# Configures and builds into build/; lays out build/bin/ as the program folder.
# With target names it builds only those (run.sh: the program and its folder);
# without, everything: the program, the tests and the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build -j"$(nproc)" "${targets[@]}"

#!/usr/bin/env bash
# Configures and builds into build/; lays out build/bin/ as the program folder.
# With target names it builds only those (run.sh: the program and its folder);
# without, everything: the program, the tests and the benchmarks.
# --sanitize builds into build-sanitize/ instead, with AddressSanitizer and
# UndefinedBehaviorSanitizer, without the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
opts=(-DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}")
if [ "${1:-}" = "--sanitize" ]; then
  shift
  dir=build-sanitize
  opts=(-DCMAKE_BUILD_TYPE=Debug -DRAREDADE_SANITIZE=ON -DRAREDADE_BENCHMARKS=OFF)
fi
# ccache when the machine has it; the build does not need it.
if command -v ccache >/dev/null; then
  opts+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" "${opts[@]}" >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$dir" -j"$(nproc)" "${targets[@]}"

#!/usr/bin/env bash
# Configures and builds into build/; lays out build/bin/ as the program folder.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" >/dev/null
cmake --build build -j"$(nproc)"

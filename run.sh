#!/usr/bin/env bash
# Installs what is missing, builds the program and its folder (no tests, no
# benchmarks: ./test.sh builds those), and starts it on build/bin/vembra.dat.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh raredade program_folder
exec build/bin/raredade "$@"

#!/usr/bin/env bash
# Installs what is missing, builds everything (program, tests, benchmarks), and
# runs every test. With --sanitize: builds into build-sanitize/ with the address
# and undefined-behaviour sanitizers and runs every test there; any report
# fails the test that caused it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
if [ "${1:-}" = "--sanitize" ]; then
  scripts/build.sh --sanitize
  cd build-sanitize
  export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1"
  export LSAN_OPTIONS="suppressions=$PWD/../scripts/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
else
  scripts/build.sh
  cd build
fi
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 600

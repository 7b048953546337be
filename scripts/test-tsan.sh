#!/usr/bin/env bash
# The core's tests (no Qt) under ThreadSanitizer: the shared cookie store, overlapping loads and
# pulls, settings written from several threads, generations running while the list reloads.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/test-env.sh
bash scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPINDLE_TSAN=ON -DPINDLE_BUILD_GUI=OFF -DPINDLE_BUILD_BENCH=OFF
cmake --build build-tsan
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp"
ctest --test-dir build-tsan --output-on-failure -j2

#!/usr/bin/env bash
# The whole suite built with clang under AddressSanitizer and UndefinedBehaviorSanitizer, plus a
# short pass of every fuzz target over its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/test-env.sh
bash scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPINDLE_SANITIZE=ON -DPINDLE_FUZZ=ON -DPINDLE_BUILD_BENCH=OFF -DPINDLE_WERROR="${PINDLE_WERROR:-OFF}"
cmake --build build-asan
export QT_QPA_PLATFORM=offscreen
# Qt keeps some memory until exit on purpose; leaks are checked by the fuzz targets instead.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j2

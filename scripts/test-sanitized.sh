#!/usr/bin/env bash
# The whole suite built with clang under AddressSanitizer and UndefinedBehaviorSanitizer, plus a
# short pass of every fuzz target over its seed corpus.
set -euo pipefail
# No test may reach the internet: the built-in addresses point at a closed loopback port unless a
# test sets its own.
export PINDLE_PLUGLIST_URL=${PINDLE_PLUGLIST_URL:-http://127.0.0.1:9/raw/master/PlugList.json}
export PINDLE_UPDATE_URL=${PINDLE_UPDATE_URL:-http://127.0.0.1:9/raw/master/Update.json}
export PINDLE_FEEDBACK_URL=${PINDLE_FEEDBACK_URL:-http://127.0.0.1:9/Feedback/js_post.php}
cd "$(dirname "$0")/.."
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPINDLE_SANITIZE=ON -DPINDLE_FUZZ=ON -DPINDLE_BUILD_BENCH=OFF
cmake --build build-asan
export QT_QPA_PLATFORM=offscreen
# Qt keeps some memory until exit on purpose; leaks are checked by the fuzz targets instead.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j2

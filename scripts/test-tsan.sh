#!/usr/bin/env bash
# The core's tests (no Qt) under ThreadSanitizer: the shared cookie store, overlapping loads and
# pulls, settings written from several threads, generations running while the list reloads.
set -euo pipefail
# No test may reach the internet: the built-in addresses point at a closed loopback port unless a
# test sets its own.
export PINDLE_PLUGLIST_URL=${PINDLE_PLUGLIST_URL:-http://127.0.0.1:9/raw/master/PlugList.json}
export PINDLE_UPDATE_URL=${PINDLE_UPDATE_URL:-http://127.0.0.1:9/raw/master/Update.json}
export PINDLE_FEEDBACK_URL=${PINDLE_FEEDBACK_URL:-http://127.0.0.1:9/Feedback/js_post.php}
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPINDLE_TSAN=ON -DPINDLE_BUILD_GUI=OFF -DPINDLE_BUILD_BENCH=OFF
cmake --build build-tsan
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
ctest --test-dir build-tsan --output-on-failure -j2

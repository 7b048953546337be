#!/usr/bin/env bash
# The suite under ThreadSanitizer, built with clang: the loopback servers' handler threads, the
# shared cookie store, overlapping loads and pulls, settings written from several threads,
# batches running while the list reloads, the command line in-process and as a process, the
# secret store's hand-over to the main thread, and the window's workers.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/test-env.sh
bash scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPINDLE_TSAN=ON -DPINDLE_BUILD_BENCH=OFF
cmake --build build-tsan
export QT_QPA_PLATFORM=offscreen
# Every report goes to a file of its own, from the test programs and from every program they
# start (whose standard error a test may discard): any file there fails the run.
reports=$PWD/build-tsan/tsan-reports
rm -rf "$reports"
mkdir -p "$reports"
# Qt, curl, cpp-httplib, GLib and D-Bus come from Debian, not built with ThreadSanitizer: what
# they allocate, copy and free themselves goes unchecked, their locks and sockets still count.
options=ignore_noninstrumented_modules=1:halt_on_error=1:second_deadlock_stack=1
export TSAN_OPTIONS="$options:suppressions=$PWD/scripts/tsan.supp:log_path=$reports/report"
status=0
ctest --test-dir build-tsan --output-on-failure -j2 || status=$?
found=$(find "$reports" -type f)
if [ -n "$found" ]; then
  find "$reports" -type f -exec sh -c 'for f; do echo "== $f"; cat "$f"; done' _ {} +
  echo "ThreadSanitizer reported in the files above." >&2
  status=1
fi
exit "$status"

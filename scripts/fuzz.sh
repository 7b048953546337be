#!/usr/bin/env bash
# Runs every fuzz target for a given time (seconds each, default 60). Crash inputs land in
# fuzz/crashes/; add each, once fixed, to its target's corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPINDLE_SANITIZE=ON -DPINDLE_FUZZ=ON -DPINDLE_BUILD_BENCH=OFF
cmake --build build-asan
export FUZZ_CRASH_DIR=$PWD/fuzz/crashes
for target in build-asan/fuzz/*_fuzz; do
  name=$(basename "$target")
  echo "== $name"
  fuzz/run-target.sh "$target" "fuzz/corpus/$name" "$seconds" 2>&1 | grep -E '^#|stat::|ERROR|SUMMARY' | tail -4
done

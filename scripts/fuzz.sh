#!/usr/bin/env bash
# Runs every fuzz target for SECONDS each (default 60), stopping a target early once it has
# made RUNS executions (default: no cap). Targets run side by side, one per core (FUZZ_JOBS
# overrides). Each target's full log is kept in fuzz/logs/; crash inputs land in fuzz/crashes/;
# add each, once fixed, to its target's corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
runs=${2:--1}
jobs=${FUZZ_JOBS:-$(nproc)}
bash scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPINDLE_SANITIZE=ON -DPINDLE_FUZZ=ON -DPINDLE_BUILD_BENCH=OFF
cmake --build build-asan --target fuzz_targets
export FUZZ_CRASH_DIR=$PWD/fuzz/crashes
mkdir -p fuzz/logs
ls build-asan/fuzz/*_fuzz | xargs -P "$jobs" -I{} bash -c '
  name=$(basename "$1")
  fuzz/run-target.sh "$1" "fuzz/corpus/$name" "$2" "$3" >"fuzz/logs/$name.log" 2>&1
  echo "== $name: exit $?, $(grep -E "^stat::number_of_executed_units" "fuzz/logs/$name.log"),"\
" $(grep -E "^stat::slowest_unit_time_sec" "fuzz/logs/$name.log")"
  grep -E "ERROR|SUMMARY" "fuzz/logs/$name.log" | head -3 || true
' _ {} "$seconds" "$runs"

#!/usr/bin/env bash
# Builds and runs every benchmark (not part of the tests).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
for b in build/bench/*_bench; do echo "== $(basename "$b")"; "$b"; done
echo "== cli_bench"; bash bench/cli_bench.sh build
echo "== batch_cli_bench"; bash bench/batch_cli_bench.sh build
echo "== batch_memory_bench"; bash bench/batch_memory_bench.sh build
echo "== csv_cli_bench"; bash bench/csv_cli_bench.sh build
echo "== stats_cli_bench"; bash bench/stats_cli_bench.sh build
echo "== curl_parity_bench"; bash bench/curl_parity_bench.sh build
echo "== window_xvfb_bench"; bash bench/window_xvfb_bench.sh build

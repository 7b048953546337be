#!/usr/bin/env bash
# Runs one fuzz target over its seed corpus for a number of seconds (and at most RUNS
# executions, when given). New inputs go to a scratch directory, never into the repository's
# corpus; a crash input is kept in crashes/.
set -euo pipefail
target=$1
corpus=$2
seconds=${3:-5}
runs=${4:--1}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$corpus"
crashes="${FUZZ_CRASH_DIR:-$PWD/crashes}"
mkdir -p "$crashes"
"$target" -max_total_time="$seconds" -runs="$runs" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix="$crashes/$(basename "$target")-" -print_final_stats=1 "$scratch" "$corpus"

#!/usr/bin/env bash
# `pindle shorten --csv` beside the same URLs as plain lines, in one run against a loopback
# service: 10,000 records with a quoted title beside each URL, median of three alternating runs
# each. Target: time(--csv) / time(lines) <= 1.25.
# Usage: bench/csv_cli_bench.sh [build dir]
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'kill $(cat "$work"/pid.* 2>/dev/null) 2>/dev/null || true; rm -rf "$work"' EXIT

source "$(dirname "$0")/bench_support.sh"

cp "$build/pindle" "$build/pindle-desktop.so" "$work/"
mkdir -p "$work/Plug"
base=$(start_service 0 --echo 0)
plugin "$base"
urls 10000 > "$work/lines.txt"
{
  echo 'Long URL,Tags,Title'
  awk '{ print $0 ",\"a,b\",\"Title of " NR " with \"\"quotes\"\"\"" }' "$work/lines.txt"
} > "$work/table.csv"

lines=() tables=()
for _ in 1 2 3; do
  lines+=("$(timed "$work/pindle" shorten -p bench < "$work/lines.txt")")
  tables+=("$(timed "$work/pindle" shorten -p bench --csv < "$work/table.csv")")
done
tl=$(median "${lines[@]}")
tc=$(median "${tables[@]}")
echo "10,000 plain lines (median of 3):   $tl s"
echo "10,000 CSV records (median of 3):   $tc s"
echo "time(--csv) / time(lines):          $(awk -v a="$tc" -v b="$tl" 'BEGIN { printf "%.2f", a / b }') (target <= 1.25)"

#!/usr/bin/env bash
# The window's batch on a real X server (Xvfb with openbox), the box filled by paste and 生成
# pressed, beside `pindle shorten` on the same lines and service: window_batch_bench three times,
# the median of the rate ratios against the target (>= 0.9).
# Usage: bench/window_xvfb_bench.sh [build dir] [lines]
set -euo pipefail
build=${1:-build}
count=${2:-5000}
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2> /dev/null || true; done; rm -rf "$work"' EXIT
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do xdpyinfo -display "$display" > /dev/null 2>&1 && break; sleep 0.1; done
DISPLAY=$display openbox > /dev/null 2>&1 &
pids+=($!)
sleep 0.5
ratios=()
for run in 1 2 3; do
  out=$(DISPLAY=$display QT_QPA_PLATFORM=xcb "$build/bench/window_batch_bench" "$count")
  echo "run $run: $(tr '\n' ';' <<< "$out")"
  ratios+=("$(sed -n 's/^window \/ command line rate: \([0-9.]*\).*/\1/p' <<< "$out")")
done
median=$(printf '%s\n' "${ratios[@]}" | sort -g | sed -n 2p)
echo "Xvfb, $count lines: window / command line rate, median of 3: $median (target >= 0.9)"

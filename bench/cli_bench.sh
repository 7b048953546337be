#!/usr/bin/env bash
# `pindle shorten` of N lines against a loopback service, beside a shell loop calling curl once
# per URL and a single curl process given every URL. Usage: bench/cli_bench.sh [build dir] [N]
set -euo pipefail
build=${1:-build}
count=${2:-10000}
work=$(mktemp -d)
trap 'kill $server 2>/dev/null || true; rm -rf "$work"' EXIT
"$build/bench/loopback_service" > "$work/address" &
server=$!
while [ ! -s "$work/address" ]; do sleep 0.05; done
base=$(cat "$work/address")
cp "$build/pindle" "$build/pindle-desktop.so" "$work/"
mkdir -p "$work/Plug"
cat > "$work/Plug/bench.json" <<JSON
{"Name":"bench","API":{"Type":"GET","API Path":"$base/create.php?format=simple&","Data":"url=\$Url\$","Headers":""},
 "Response":{"Type":"0","Parameter":"","Prefix":""}}
JSON
for i in $(seq 1 "$count"); do echo "https://example.com/page/$i"; done > "$work/urls.txt"
rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", n / s }'; }
now() { date +%s.%N; }

t0=$(now); "$work/pindle" shorten -p bench < "$work/urls.txt" > "$work/out.txt"; t1=$(now)
pindle_seconds=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')

loop_count=$(( count < 1000 ? count : 1000 ))  # the per-URL loop is slow: time a part of it
t0=$(now)
head -n "$loop_count" "$work/urls.txt" | while read -r url; do
  curl -s -G --data-urlencode "url=$url" "$base/create.php?format=simple" > /dev/null
done
t1=$(now)
loop_seconds=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')

: > "$work/curl.cfg"
while read -r url; do echo "url = \"$base/create.php?format=simple&url=$url\""; echo "output = /dev/null"; echo "header = \"Connection: close\""; done < "$work/urls.txt" >> "$work/curl.cfg"
t0=$(now); curl -s -K "$work/curl.cfg"; t1=$(now)
single_seconds=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')

echo "pindle shorten:        $(rate "$count" "$pindle_seconds") urls/s ($(grep -c '^http' "$work/out.txt") of $count shortened)"
echo "curl once per URL:     $(rate "$loop_count" "$loop_seconds") urls/s (first $loop_count lines)"
echo "one curl, all URLs:    $(rate "$count" "$single_seconds") urls/s"
awk -v a="$(rate "$count" "$pindle_seconds")" -v b="$(rate "$loop_count" "$loop_seconds")" \
  'BEGIN { printf "pindle / curl loop:    %.1f (target >= 5)\n", a / b }'

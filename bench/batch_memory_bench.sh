#!/usr/bin/env bash
# The memory of batches on the command line, with curl beside it in the same run:
#  1. `pindle shorten` of 10,000 and of 1,000,000 lines from standard input against a loopback
#     service that answers at once: peak RSS of each, the ratio (target <= 1.5).
#  2. A service whose answers never end, 128 lines at -j 64: peak RSS against the 64 MB the answers
#     in flight may hold together (printed beside the bound, and less the RSS of one line's run).
# Usage: bench/batch_memory_bench.sh [build dir] [lines | endless]   (both when not named)
set -euo pipefail
build=${1:-build}
only=${2:-}
work=$(mktemp -d)
trap 'kill $(cat "$work"/pid.* 2>/dev/null) 2>/dev/null || true; rm -rf "$work"' EXIT

source "$(dirname "$0")/bench_support.sh"
# Peak resident memory in MB of a command, its output thrown away.
peak() { /usr/bin/time -f %M -o "$work/rss" "$@" > /dev/null 2>&1 || true; tail -n 1 "$work/rss" | awk '{ printf "%.1f", $1 / 1024 }'; }
minus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a - b }'; }

cp "$build/pindle" "$build/pindle-desktop.so" "$work/"
mkdir -p "$work/Plug"

if [ "$only" != endless ]; then
base=$(start_service echo --echo 0)
plugin "$base"
urls 10000 > "$work/10k.txt"
urls 1000000 > "$work/1m.txt"
urls 10000 | awk -v base="$base" '{ print "url = \"" base "/x?url=" $0 "\"\noutput = /dev/null" }' > "$work/10k.cfg"
# Through a pipe, as `producer | pindle shorten` reads it (a file would be counted first).
r10=$(peak sh -c "cat '$work/10k.txt' | '$work/pindle' shorten -p bench")
r1m=$(peak sh -c "cat '$work/1m.txt' | '$work/pindle' shorten -p bench")
rfile=$(peak sh -c "'$work/pindle' shorten -p bench < '$work/1m.txt'")
rcurl=$(peak curl -s -K "$work/10k.cfg")
echo "pindle shorten, 10,000 lines (pipe):     $r10 MB"
echo "pindle shorten, 1,000,000 lines (pipe):  $r1m MB"
echo "pindle shorten, 1,000,000 lines (file):  $rfile MB"
echo "one curl -K, 10,000 URLs:                $rcurl MB"
echo "RSS(1,000,000) / RSS(10,000):            $(ratio "$r1m" "$r10") (target <= 1.5)"
fi
[ "$only" = lines ] && exit 0

quick=$(start_service quick --echo 0)
plugin "$quick"
one=$(peak "$work/pindle" shorten -p bench https://example.com/one)
endless=$(start_service endless --endless)
plugin "$endless"
urls 128 > "$work/128.txt"
rend=$(peak sh -c "'$work/pindle' shorten -p bench -j 64 < '$work/128.txt'")
# curl writes what comes to /dev/null and holds none of it; it is stopped after 10 s.
rcurl=$(peak curl -s --max-time 10 --parallel --parallel-max 64 -K <(urls 128 |
  awk -v base="$endless" '{ print "url = \"" base "/x?url=" $0 "\"\noutput = /dev/null" }'))
echo "endless answers, 128 lines at -j 64:     $rend MB peak"
echo "one line's run (the program alone):      $one MB"
echo "curl --parallel-max 64 for 10 s:        $rcurl MB"
echo "answers' share, peak less one line's run: $(minus "$rend" "$one") MB (bound 64 MB)"

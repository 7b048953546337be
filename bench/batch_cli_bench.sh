#!/usr/bin/env bash
# Batches on the command line, side by side with curl in one run:
#  1. `pindle shorten` of 10,000 and 100,000 lines against a loopback service: how the time grows
#     (target time(100k)/time(10k) <= 11), and the 10,000-line rate against one `curl -K` process
#     given the same URLs (target >= 0.8).
#  2. A service that answers after 20 ms: `-j 8` of 2,000 URLs against `curl --parallel
#     --parallel-max 8` (target >= 0.8), and the default (4 at a time) against `-j 1` (target >= 3.5).
# Usage: bench/batch_cli_bench.sh [build dir]
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'kill $(cat "$work"/pid.* 2>/dev/null) 2>/dev/null || true; rm -rf "$work"' EXIT

source "$(dirname "$0")/bench_support.sh"
# A curl config requesting what pindle requests for each line: the line percent-encoded byte by byte.
curl_config() {  # $1: base, $2: count
  urls "$2" | od -An -v -tx1 -w1 | awk -v base="$1" '
    { hex = toupper($1) }
    hex == "0A" { print "url = \"" base "/x?url=" line "\"\noutput = /dev/null"; line = ""; next }
    { line = line "%" hex }'
}

cp "$build/pindle" "$build/pindle-desktop.so" "$work/"
mkdir -p "$work/Plug"
pindle() { "$work/pindle" shorten -p bench "$@"; }

base=$(start_service 0 --echo 0)
plugin "$base"
urls 10000 > "$work/10k.txt"
urls 100000 > "$work/100k.txt"
curl_config "$base" 10000 > "$work/10k.cfg"
t10=$(timed pindle < "$work/10k.txt")
t100=$(timed pindle < "$work/100k.txt")
# The large batch is also checked: every input line has its output line, in order.
pindle < "$work/100k.txt" > "$work/100k.out" 2>/dev/null
python3 - "$work/100k.txt" "$work/100k.out" <<'PY' || exit 1
import sys, urllib.parse
lines = open(sys.argv[1]).read().splitlines()
out = open(sys.argv[2]).read().splitlines()
got = [urllib.parse.unquote(o.split("url=", 1)[-1]) for o in out]
if got != lines:
    sys.exit("FAIL: 100,000 lines gave %d output lines, first wrong at %d" % (len(out), next(
        (i + 1 for i, (a, b) in enumerate(zip(lines, got)) if a != b), min(len(lines), len(got)) + 1)))
print("100,000 lines: every output line belongs to its input line")
PY
tcurl=$(timed curl -s -K "$work/10k.cfg")
echo "pindle shorten, 10,000 lines:     $t10 s, $(rate 10000 "$t10") lines/s"
echo "pindle shorten, 100,000 lines:    $t100 s, $(rate 100000 "$t100") lines/s"
echo "one curl -K, 10,000 URLs:         $tcurl s, $(rate 10000 "$tcurl") URLs/s"
echo "time(100k) / time(10k):           $(ratio "$t100" "$t10") (target <= 11)"
echo "pindle / curl -K rate, 10k:       $(ratio "$tcurl" "$t10") (target >= 0.8)"

slow=$(start_service 20 --echo 20)
plugin "$slow"
urls 2000 > "$work/2k.txt"
urls 500 > "$work/500.txt"
curl_config "$slow" 2000 > "$work/2k.cfg"
tj8=$(timed pindle -j 8 < "$work/2k.txt")
tpar=$(timed curl -s --parallel --parallel-max 8 -K "$work/2k.cfg")
tdef=$(timed pindle < "$work/2k.txt")
tj1=$(timed pindle -j 1 < "$work/500.txt")  # one at a time is slow: 500 lines give its rate
echo "answers after 20 ms:"
echo "pindle -j 8, 2,000 lines:         $tj8 s, $(rate 2000 "$tj8") lines/s"
echo "curl --parallel-max 8, 2,000:     $tpar s, $(rate 2000 "$tpar") URLs/s"
echo "pindle (default 4), 2,000 lines:  $tdef s, $(rate 2000 "$tdef") lines/s"
echo "pindle -j 1, 500 lines:           $tj1 s, $(rate 500 "$tj1") lines/s"
echo "pindle -j 8 / curl --parallel:    $(ratio "$tpar" "$tj8") (target >= 0.8)"
echo "default / -j 1 rate:              $(awk -v d="$tdef" -v o="$tj1" 'BEGIN { printf "%.2f", (2000 / d) / (500 / o) }') (target >= 3.5)"

#!/usr/bin/env bash
# Refreshing the clicks of made links, as `pindle stats` (and the window's 刷新点击) does, side by
# side with curl in one run, against a loopback service answering {"clicks":N}:
#  1. 10,000 links at the default 4 requests in flight against `curl --parallel --parallel-max 4`
#     over the same requests (target: rate ratio >= 0.9), and the same at 16.
#  2. How the time grows: 10,000 links against 2,000 (target time(10k)/time(2k) <= 5.5).
# Every link is checked to come back with its count, in order.
# Usage: bench/stats_cli_bench.sh [build dir]
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'kill $(cat "$work"/pid.* 2>/dev/null) 2>/dev/null || true; rm -rf "$work"' EXIT

source "$(dirname "$0")/bench_support.sh"
links() { awk -v n="$2" -v base="$1" 'BEGIN { for (i = 1; i <= n; i++) print base "/c" i }'; }
# The request pindle sends for each link: the Stats address with the link's code.
curl_config() { links "$1" "$2" | awk '{ sub(/\/c/, "/stats/c"); print "url = \"" $0 "\"\noutput = /dev/null" }'; }
settings() {  # $1: requests in flight to one service (并发数), in Setting.ini as the program writes it
  printf '[软件设定]\r\n并发数=%s\r\n' "$1" | iconv -f UTF-8 -t GBK > "$work/Setting.ini"
}

cp "$build/pindle" "$build/pindle-desktop.so" "$work/"
mkdir -p "$work/Plug"
base=$(start_service 0 --clicks)
cat > "$work/Plug/bench.json" <<JSON
{"Name":"bench","API":{"Type":"GET","API Path":"$base/x?","Data":"url=\$Url\$"},"Response":{"Type":"0"},
 "Stats":{"Type":"GET","API Path":"$base/stats/\$Code\$","Clicks":"clicks"}}
JSON
links "$base" 10000 > "$work/10k.txt"
links "$base" 2000 > "$work/2k.txt"
curl_config "$base" 10000 > "$work/10k.cfg"
stats() { "$work/pindle" stats -p bench < "$1"; }

settings 4
"$work/pindle" stats -p bench < "$work/10k.txt" > "$work/10k.out"
python3 - "$work/10k.txt" "$work/10k.out" <<'PY' || exit 1
import sys, urllib.parse
links = open(sys.argv[1]).read().splitlines()
out = [l.split("\t") for l in open(sys.argv[2]).read().splitlines()]
want = [[l, str(len(urllib.parse.urlsplit(l).path) + len("/stats"))] for l in links]
if out != want:
    sys.exit("FAIL: %d of 10,000 links came back with their count in order" % sum(a == b for a, b in zip(out, want)))
print("10,000 links: each with its own count, in order")
PY
t2=$(timed stats "$work/2k.txt")
t10=$(timed stats "$work/10k.txt")
tcurl=$(timed curl -s --parallel --parallel-max 4 -K "$work/10k.cfg")
settings 16
t16=$(timed stats "$work/10k.txt")
tcurl16=$(timed curl -s --parallel --parallel-max 16 -K "$work/10k.cfg")
echo "pindle stats, 2,000 links:          $t2 s, $(rate 2000 "$t2") links/s"
echo "pindle stats, 10,000 links (4):     $t10 s, $(rate 10000 "$t10") links/s"
echo "curl --parallel-max 4, 10,000:      $tcurl s, $(rate 10000 "$tcurl") requests/s"
echo "pindle stats, 10,000 links (16):    $t16 s, $(rate 10000 "$t16") links/s"
echo "curl --parallel-max 16, 10,000:     $tcurl16 s, $(rate 10000 "$tcurl16") requests/s"
echo "pindle / curl rate at 4:            $(ratio "$tcurl" "$t10") (target >= 0.9)"
echo "pindle / curl rate at 16:           $(ratio "$tcurl16" "$t16") (target >= 0.9)"
echo "time(10k) / time(2k):               $(ratio "$t10" "$t2") (target <= 5.5)"

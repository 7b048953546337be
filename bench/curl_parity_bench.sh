#!/usr/bin/env bash
# `pindle shorten` beside `curl --parallel --parallel-max N -K` at equal concurrency, in one run
# against nginx on loopback (one answer for every request, so the clients' own cost shows: a short
# link as long as real ones, "http://s/3-1234", which pindle keeps in its history as it would):
# HTTP/1.1 at -j 4 and -j 8, and TLS with HTTP/2 at -j 8 (a certificate made now; both clients
# skip its check). Three alternating runs each (RUNS=9 for steadier figures on a noisy machine);
# the medians give the rate ratio (target >= 1.0) and the CPU time (user + sys) per line against
# curl's (target <= 1.2), beside the same figures against curl sending what pindle sends (its
# agent, Referer and Accept-Language: the bare config sends fewer header bytes). Also: --csv
# against the same URLs as plain lines (target <= 1.25).
# Usage: [RUNS=n] bench/curl_parity_bench.sh [build dir] [lines]
set -euo pipefail
build=${1:-build}
count=${2:-10000}
runs=${RUNS:-3}
work=$(mktemp -d)
trap 'kill "$(cat "$work/nginx.pid" 2>/dev/null)" 2>/dev/null || true; rm -rf "$work"' EXIT

source "$(dirname "$0")/bench_support.sh"
command -v nginx > /dev/null || { echo "nginx is needed (scripts/install-deps.sh installs nginx-light)"; exit 1; }
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
plain_port=$(free_port)
tls_port=$(free_port)
openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -days 1 \
  -keyout "$work/key.pem" -out "$work/cert.pem" > /dev/null 2>&1
cat > "$work/nginx.conf" <<CONF
worker_processes 1;
daemon on;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  keepalive_requests 1000000;
  client_body_temp_path $work/body;
  proxy_temp_path $work/proxy;
  fastcgi_temp_path $work/fastcgi;
  uwsgi_temp_path $work/uwsgi;
  scgi_temp_path $work/scgi;
  default_type text/plain;
  server { listen 127.0.0.1:$plain_port; location / { return 200 "http://s/\$connection-\$connection_requests"; } }
  server {
    listen 127.0.0.1:$tls_port ssl http2;
    ssl_certificate $work/cert.pem;
    ssl_certificate_key $work/key.pem;
    http2_max_requests 1000000;
    location / { return 200 "http://s/\$connection-\$connection_requests"; }
  }
}
CONF
nginx -c "$work/nginx.conf" -p "$work" -e "$work/error.log" 2> /dev/null
while [ ! -s "$work/nginx.pid" ]; do sleep 0.05; done

cp "$build/pindle" "$build/pindle-desktop.so" "$work/"
mkdir -p "$work/Plug"
printf '[软件设定]\r\n忽略证书错误=真\r\n' | iconv -f UTF-8 -t GBK > "$work/Setting.ini"
urls "$count" > "$work/lines.txt"
{
  echo 'Long URL,Tags,Title'
  awk '{ print $0 ",\"a,b\",\"Title of " NR " with \"\"quotes\"\"\"" }' "$work/lines.txt"
} > "$work/table.csv"
# What pindle requests for each line: the line percent-encoded byte by byte.
curl_config() {  # $1: base
  od -An -v -tx1 -w1 < "$work/lines.txt" | awk -v base="$1" '
    { hex = toupper($1) }
    hex == "0A" { print "url = \"" base "/x?url=" line "\"\noutput = /dev/null"; line = ""; next }
    { line = line "%" hex }'
}
# The same requests byte for byte: pindle's default headers too (its agent, and a Referer and
# Accept-Language of its own for each address). curl needs a block per URL for them ("next"),
# and each block its own options (silent; insecure, as -k is for the plain config).
same_config() {  # $1: a config of curl_config
  awk '/^url/ { u = $0; sub(/^url = "/, "", u); sub(/"$/, "", u); print
                print "header = \"Referer: " u "\""; print "header = \"Accept-Language: zh-cn\""
                print "user-agent = \"'"$agent"'\""; print "silent"; print "insecure"; next }
       /^output/ { print; if (++n < total) print "next"; next } { print }' total="$count" "$1"
}
agent='Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)'
curl_config "http://127.0.0.1:$plain_port" > "$work/plain.cfg"
curl_config "https://127.0.0.1:$tls_port" > "$work/tls.cfg"
same_config "$work/plain.cfg" > "$work/plain-same.cfg"
same_config "$work/tls.cfg" > "$work/tls-same.cfg"

# "real user+sys" of a command, its output dropped.
measure() {
  local TIMEFORMAT='%R %U %S' t
  t=$({ time "$@" > /dev/null 2> /dev/null; } 2>&1) || true
  awk '{ printf "%s %.3f\n", $1, $2 + $3 }' <<< "$t"
}
pindle() { "$work/pindle" shorten -p bench "$@"; }

compare() {  # $1: label, $2: base, $3: curl config, $4: N, then curl's extra options
  local label=$1 base=$2 cfg=$3 jobs=$4
  shift 4
  plugin "$base"
  local pr=() pc=() cr=() cc=() sr=() sc=() m
  for ((run = 0; run < runs; run++)); do
    m=$(measure pindle -j "$jobs" < "$work/lines.txt")
    pr+=("${m% *}") pc+=("${m#* }")
    m=$(measure curl -s "$@" --parallel --parallel-max "$jobs" -K "$cfg")
    cr+=("${m% *}") cc+=("${m#* }")
    m=$(measure curl -s "$@" --parallel --parallel-max "$jobs" -K "${cfg%.cfg}-same.cfg")
    sr+=("${m% *}") sc+=("${m#* }")
  done
  local tp tc up uc ts us
  tp=$(median "${pr[@]}") tc=$(median "${cr[@]}") up=$(median "${pc[@]}") uc=$(median "${cc[@]}")
  ts=$(median "${sr[@]}") us=$(median "${sc[@]}")
  printf '%-22s pindle %6.2f s (cpu %5.2f s)   curl %6.2f s (cpu %5.2f s)   curl, same requests %6.2f s (cpu %5.2f s)\n' \
    "$label" "$tp" "$up" "$tc" "$uc" "$ts" "$us"
  awk -v tp="$tp" -v tc="$tc" -v up="$up" -v uc="$uc" -v ts="$ts" -v us="$us" 'BEGIN {
    printf "%-22s rate pindle / curl: %.2f (target >= 1.0)   cpu per line pindle / curl: %.2f (target <= 1.2)\n", "", tc / tp, up / uc
    printf "%-22s against curl sending the same requests: rate %.2f, cpu per line %.2f\n", "", ts / tp, up / us }'
}

echo "$count lines, medians of $runs alternating runs"
compare "HTTP/1.1 -j 4" "http://127.0.0.1:$plain_port" "$work/plain.cfg" 4
compare "HTTP/1.1 -j 8" "http://127.0.0.1:$plain_port" "$work/plain.cfg" 8
compare "TLS HTTP/2 -j 8" "https://127.0.0.1:$tls_port" "$work/tls.cfg" 8 -k

plugin "http://127.0.0.1:$plain_port"
# What a run costs before its lines: one URL each.
head -1 "$work/lines.txt" > "$work/one.txt"
head -2 "$work/plain.cfg" > "$work/one.cfg"
po=() co=()
for ((run = 0; run < runs; run++)); do
  m=$(measure pindle < "$work/one.txt") po+=("${m#* }")
  m=$(measure curl -s -K "$work/one.cfg") co+=("${m#* }")
done
printf '%-22s pindle cpu %5.3f s   curl cpu %5.3f s (the fixed part of the figures above)\n' "one URL" \
  "$(median "${po[@]}")" "$(median "${co[@]}")"

# What the history costs: the same -j 4 run with "记录历史" off (curl keeps no history).
plugin "http://127.0.0.1:$plain_port"
nohistory=() withhistory=()
for ((run = 0; run < runs; run++)); do
  m=$(measure pindle -j 4 < "$work/lines.txt") withhistory+=("${m#* }")
  printf '[软件设定]\r\n忽略证书错误=真\r\n记录历史=假\r\n' | iconv -f UTF-8 -t GBK > "$work/Setting.ini"
  m=$(measure pindle -j 4 < "$work/lines.txt") nohistory+=("${m#* }")
  printf '[软件设定]\r\n忽略证书错误=真\r\n' | iconv -f UTF-8 -t GBK > "$work/Setting.ini"
done
printf '%-22s pindle cpu %5.2f s, without history %5.2f s\n' "history, -j 4" "$(median "${withhistory[@]}")" \
  "$(median "${nohistory[@]}")"

lines=() tables=()
for ((run = 0; run < runs; run++)); do
  m=$(measure pindle < "$work/lines.txt") lines+=("${m% *}")
  m=$(measure pindle --csv < "$work/table.csv") tables+=("${m% *}")
done
tl=$(median "${lines[@]}") tt=$(median "${tables[@]}")
printf '%-22s lines %6.2f s   --csv %6.2f s   --csv / lines: %.2f (target <= 1.25)\n' "CSV, -j 4" "$tl" "$tt" \
  "$(awk -v a="$tt" -v b="$tl" 'BEGIN { print a / b }')"

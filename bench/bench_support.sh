# Shared by the command-line benchmarks: sourced after `build` and `work` are set.

start_service() {  # $1: a name, then the service's options; prints the base address (the pid goes to a file)
  local name=$1
  shift
  "$build/bench/loopback_service" "$@" > "$work/address.$name" &
  echo $! > "$work/pid.$name"
  while [ ! -s "$work/address.$name" ]; do sleep 0.05; done
  cat "$work/address.$name"
}
plugin() {  # $1: base address
  cat > "$work/Plug/bench.json" <<JSON
{"Name":"bench","API":{"Type":"GET","API Path":"$1/x?","Data":"url=\$Url\$","Headers":""},
 "Response":{"Type":"0","Parameter":"","Prefix":""}}
JSON
}
urls() { awk -v n="$1" 'BEGIN { for (i = 1; i <= n; i++) print "https://example.com/page/" i }'; }

# Timing and the figures printed beside the targets.
now() { date +%s.%N; }
timed() { local t0 t1; t0=$(now); "$@" > /dev/null 2>&1 || true; t1=$(now); awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }'; }
rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", n / s }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }  # of an odd count

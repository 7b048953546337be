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

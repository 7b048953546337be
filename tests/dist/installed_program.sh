# Checks shared by the install and package tests; sourced, not run.
# Every run of the program gets a bare environment: temporary home folders and closed
# loopback addresses, so nothing reaches the network or the real home.

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# run_isolated HOME CONFIG DATA PROGRAM ARGS...   (CONFIG or DATA "" leaves that variable unset)
run_isolated() {
  local home=$1 config=$2 data=$3
  shift 3
  local env=(PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8
    PINDLE_PLUGLIST_URL=http://127.0.0.1:9/PlugList.json PINDLE_UPDATE_URL=http://127.0.0.1:9/Update.json
    PINDLE_FEEDBACK_URL=http://127.0.0.1:9/Feedback/js_post.php)
  [ -n "$config" ] && env+=(XDG_CONFIG_HOME="$config")
  [ -n "$data" ] && env+=(XDG_DATA_HOME="$data")
  env -i "${env[@]}" "$@"
}

# A listing of everything under a folder, to see that a run left it as it was.
tree_of() { (cd "$1" && find . | LC_ALL=C sort); }

# check_installed_program PREFIX SOURCE_DIR WORK
# PREFIX holds bin/pindle and share/pindle/Plug; the program must keep its files in the
# temporary XDG folders, start with the starter plug-ins and write nothing beside itself.
check_installed_program() {
  local prefix=$1 source=$2 work=$3
  local program=$prefix/bin/pindle
  local home=$work/home config=$work/config data=$work/data
  mkdir -p "$home"
  local before
  before=$(tree_of "$prefix")

  local starters
  starters=$(cd "$source/Plug" && ls ./*.json | wc -l)
  local listed
  # One row a plug-in under the heading, each naming its file in XDG_DATA_HOME.
  listed=$(run_isolated "$home" "$config" "$data" "$program" plugins) || fail "pindle plugins failed"
  listed=${listed#*$'\n'}
  [ "$(printf '%s\n' "$listed" | grep -c "	$data/pindle/Plug/.*\.json$")" -eq "$starters" ] ||
    fail "expected $starters starter plug-ins in XDG_DATA_HOME, got: $listed"
  [ "$(ls "$data/pindle/Plug" | wc -l)" -eq "$starters" ] || fail "the starter plug-ins were not copied"
  # The first start's Setting.ini loads the plug-ins when the window opens.
  local first
  first=$(iconv -f GBK -t UTF-8 "$config/pindle/Setting.ini") || fail "no GBK Setting.ini after the first start"
  [ "$first" = $'[软件设定]\r\n自动加载=真\r' ] || fail "the first start wrote: $first"

  local name
  name=${listed%%$'\n'*}
  name=${name%%$'\t'*}
  run_isolated "$home" "$config" "$data" "$program" disable "$name" || fail "pindle disable failed"
  local settings
  settings=$(iconv -f GBK -t UTF-8 "$config/pindle/Setting.ini") || fail "Setting.ini is not GBK"
  grep -q "^$name=否" <<<"$settings" ||
    fail "the switch is not in XDG_CONFIG_HOME: $(cat "$config/pindle/Setting.ini" 2>&1)"
  listed=$(run_isolated "$home" "$config" "$data" "$program" plugins) || fail "pindle plugins failed"
  grep -q "^$name	否" <<<"$listed" || fail "the switch did not hold"

  local version
  version=$(run_isolated "$home" "$config" "$data" "$program" --version)
  for path in "$config/pindle/Setting.ini" "$data/pindle/Plug/" "$data/pindle/Deploy/"; do
    grep -qF "$path" <<<"$version" || fail "--version does not name $path: $version"
  done
  [ "$(tree_of "$prefix")" = "$before" ] || fail "the program wrote beside itself"
  [ -z "$(ls -A "$home")" ] || fail "the program wrote into HOME although XDG folders were given"

  # Without the XDG variables the folders under HOME are used.
  run_isolated "$home" "" "" "$program" disable "$name" || fail "pindle disable (no XDG) failed"
  [ -f "$home/.config/pindle/Setting.ini" ] || fail "no ~/.config/pindle/Setting.ini"
  [ -d "$home/.local/share/pindle/Plug" ] || fail "no ~/.local/share/pindle/Plug"
  [ "$(tree_of "$prefix")" = "$before" ] || fail "the program wrote beside itself"
}

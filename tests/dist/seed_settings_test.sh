#!/usr/bin/env bash
# The first start from the build tree: scripts/seed-settings.sh gives a folder without Setting.ini
# one that loads the plug-ins at start, and leaves an existing one byte for byte.
#   seed_settings_test.sh SOURCE_DIR
set -euo pipefail
source=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# "[软件设定]" CR LF "自动加载=真" CR LF in code page 936.
wanted=5bc8edbcfec9e8b6a85d0d0ad7d4b6afbcd3d4d83dd5e60d0a
mkdir "$work/fresh"
bash "$source/scripts/seed-settings.sh" "$work/fresh"
got=$(od -An -tx1 "$work/fresh/Setting.ini" | tr -d ' \n')
[ "$got" = "$wanted" ] || fail "written: $got, wanted: $wanted"
[ "$(ls -A "$work/fresh")" = "Setting.ini" ] || fail "left behind: $(ls -A "$work/fresh")"
[ "$(stat -c %a "$work/fresh/Setting.ini")" = "$(printf '%o' $((8#666 & ~8#$(umask))))" ] ||
  fail "mode $(stat -c %a "$work/fresh/Setting.ini")"

for existing in '' $'[\xc8\xed\xbc\xfe\xc9\xe8\xb6\xa8]\r\n\xd7\xd4\xb6\xaf\xbc\xd3\xd4\xd8=\xbc\xd9\r\n' $'; mine\n'; do
  mkdir -p "$work/kept"
  printf '%s' "$existing" >"$work/kept/Setting.ini"
  cp "$work/kept/Setting.ini" "$work/before"
  bash "$source/scripts/seed-settings.sh" "$work/kept"
  cmp -s "$work/before" "$work/kept/Setting.ini" || fail "an existing Setting.ini changed: $(od -c "$work/kept/Setting.ini")"
done
echo "ok"

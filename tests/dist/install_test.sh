#!/usr/bin/env bash
# Installs into a temporary DESTDIR, validates the desktop files and runs the installed program.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
. "$source/tests/dist/installed_program.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --build "$build" --target pindle dist_files >/dev/null
DESTDIR=$work/root cmake --install "$build" --prefix /usr >/dev/null
usr=$work/root/usr
app=io.github.pindle.Pindle
for file in bin/pindle share/applications/$app.desktop share/metainfo/$app.metainfo.xml \
  share/icons/hicolor/scalable/apps/$app.svg share/man/man1/pindle.1.gz \
  share/bash-completion/completions/pindle share/doc/pindle/copyright share/pindle/Plug/tinyurl.json; do
  [ -f "$usr/$file" ] || fail "not installed: $file"
done

# The desktop module lies where the program looks for it.
compgen -G "$usr/lib*/pindle/pindle-desktop.so" >/dev/null || compgen -G "$usr/lib/*/pindle/pindle-desktop.so" >/dev/null ||
  fail "not installed: the desktop module"

desktop-file-validate "$usr/share/applications/$app.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$usr/share/metainfo/$app.metainfo.xml" >/dev/null || fail "appstreamcli validate"
grep -qx "Exec=pindle %U" "$usr/share/applications/$app.desktop" || fail "Exec line"
grep -qx "Icon=$app" "$usr/share/applications/$app.desktop" || fail "Icon line"
grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" "$usr/share/metainfo/$app.metainfo.xml" ||
  fail "metainfo names another desktop entry"
manual=$(zcat "$usr/share/man/man1/pindle.1.gz") || fail "manual page unreadable"
grep -q '^\.TH PINDLE 1' <<<"$manual" || fail "manual page"
bash -n "$usr/share/bash-completion/completions/pindle" || fail "bash completion"

check_installed_program "$usr" "$source" "$work/user"

# A copy of the program with a Setting.ini beside it stays portable, although
# ../share/pindle lies beside its folder.
mkdir -p "$usr/portable"
cp "$usr/bin/pindle" "$usr/portable/pindle"
: >"$usr/portable/Setting.ini"
mkdir -p "$work/user2"
portable_version=$(run_isolated "$work/user2" "$work/user2/config" "$work/user2/data" "$usr/portable/pindle" --version)
grep -qF "$usr/portable/Setting.ini" <<<"$portable_version" ||
  fail "the portable copy does not use the Setting.ini beside itself"
run_isolated "$work/user2" "$work/user2/config" "$work/user2/data" "$usr/portable/pindle" disable "没有这个" || true
[ -z "$(ls -A "$work/user2")" ] || fail "the portable copy wrote into the user's folders"
[ ! -e "$usr/portable/Plug" ] || fail "the portable copy created a Plug folder"

# The installed program and a copy of it find the desktop module: without a display, the window
# says so (exit 2) instead of the module being missing.
for copy in "$usr/bin/pindle" "$usr/portable/pindle"; do
  mkdir -p "$work/user3"
  rc=0
  said=$(run_isolated "$work/user3" "$work/user3/config" "$work/user3/data" "$copy" 2>&1) || rc=$?
  [ "$rc" -eq 2 ] && grep -q "没有可连接的图形显示" <<<"$said" || fail "$copy did not load the desktop module: $said"
done

# The manual names every command and option the program's help lists.
for command in $("$usr/portable/pindle" --help | awk '/^  [a-z]/ { print $1 }'); do
  grep -q "^\.B pindle $command" <<<"$manual" || fail "the manual's synopsis lacks $command"
  for option in $("$usr/portable/pindle" "$command" --help | grep -o -- '--\?[a-z][a-z-]*' | sort -u); do
    grep -qF -- "${option//-/\\-}" <<<"$manual" || fail "the manual lacks $command $option"
  done
done

# Completion offers plug-in names, not the list's header.
mkdir -p "$usr/portable/Plug"
cp "$source/Plug/tinyurl.json" "$usr/portable/Plug/"
offered=$(
  . "$usr/share/bash-completion/completions/pindle"
  COMP_WORDS=("$usr/portable/pindle" shorten -p "") COMP_CWORD=3
  _pindle
  printf '%s\n' "${COMPREPLY[@]}"
)
[ "$offered" = TinyURL ] || fail "completion after -p offers: $offered"
echo "install test passed"

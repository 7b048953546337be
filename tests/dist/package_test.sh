#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian and runs the program from its extracted tree.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
. "$source/tests/dist/installed_program.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

deb=$(bash "$source/scripts/package.sh" "$build" "$work/out") || fail "scripts/package.sh"
[ -f "$deb" ] || fail "no package: $deb"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libcurl; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
recommends=$(dpkg-deb -f "$deb" Recommends)
grep -q "libsecret-1-0" <<<"$recommends" || fail "Recommends lacks libsecret-1-0: $recommends"
# The listing is captured first: a reader that stops at its first match would kill dpkg-deb's tar.
listing=$(dpkg-deb -c "$deb") || fail "dpkg-deb -c"
grep -q ' \./usr/share/pindle/Plug/tinyurl.json$' <<<"$listing" || fail "starter plug-ins missing"

lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1 ||
  fail "lintian reports errors: $(cat "$work/lintian.txt")"

dpkg -x "$deb" "$work/tree"
check_installed_program "$work/tree/usr" "$source" "$work/user"
echo "package test passed"

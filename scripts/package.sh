#!/usr/bin/env bash
# Builds the Debian package of Pindle with CPack.
# Usage: scripts/package.sh [build directory] [output directory]
#   build directory   default build-package (configured here for a release, without tests)
#   output directory  default package/
# Prints the path of the package it made.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-package}
out=${2:-$root/package}
if [ ! -f "$build/CPackConfig.cmake" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DPINDLE_BUILD_TESTS=OFF -DPINDLE_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target pindle dist_files >/dev/null
mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >/dev/null
# CPack leaves its staging tree beside the package.
rm -rf "$out/_CPack_Packages"
newest=$(ls -t "$out"/pindle_*.deb)
printf '%s\n' "${newest%%$'\n'*}"

#!/bin/sh
# Renders the four tab pages of the main window to PNG files on the offscreen platform.
# Usage: scripts/render-tabs.sh [output directory]   (default: build-gui/render)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="${PINDLE_GUI_BUILD_DIR:-$root/build-gui}"
out="${1:-$build/render}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja
fi
ninja -C "$build" -j2 render_tabs
QT_QPA_PLATFORM=offscreen "$build/tests/gui/render_tabs" "$out"

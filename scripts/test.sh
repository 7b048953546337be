#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/test-env.sh
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPINDLE_WERROR="${PINDLE_WERROR:-OFF}"
cmake --build build
# Window tests run on Qt's offscreen platform; nothing needs a display.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2

#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
# No test may reach the internet: the built-in addresses point at a closed loopback port unless a
# test sets its own.
export PINDLE_PLUGLIST_URL=${PINDLE_PLUGLIST_URL:-http://127.0.0.1:9/raw/master/PlugList.json}
export PINDLE_UPDATE_URL=${PINDLE_UPDATE_URL:-http://127.0.0.1:9/raw/master/Update.json}
export PINDLE_FEEDBACK_URL=${PINDLE_FEEDBACK_URL:-http://127.0.0.1:9/Feedback/js_post.php}
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
# Window tests run on Qt's offscreen platform; nothing needs a display.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2
# The same suite under AddressSanitizer and UndefinedBehaviorSanitizer, and the short fuzz pass.
bash scripts/test-sanitized.sh

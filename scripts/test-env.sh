#!/usr/bin/env bash
# Sourced by the test scripts.
# No test may reach the internet: the built-in addresses point at a closed loopback port unless a
# test sets its own.
export PINDLE_PLUGLIST_URL=${PINDLE_PLUGLIST_URL:-http://127.0.0.1:9/raw/master/PlugList.json}
export PINDLE_UPDATE_URL=${PINDLE_UPDATE_URL:-http://127.0.0.1:9/raw/master/Update.json}
export PINDLE_FEEDBACK_URL=${PINDLE_FEEDBACK_URL:-http://127.0.0.1:9/Feedback/js_post.php}

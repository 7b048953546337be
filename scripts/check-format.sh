#!/usr/bin/env bash
# Fails when a C++ file of the tree differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h')
# shellcheck disable=SC2086
clang-format --dry-run -Werror $files

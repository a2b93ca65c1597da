#!/usr/bin/env bash
# Builds KORVAL (installing what is missing) and runs every test, headless.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)"

#!/usr/bin/env bash
# Builds KORVAL (installing what is missing) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh
exec build/app/korval

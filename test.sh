#!/usr/bin/env bash
# Builds KORVAL (installing what is missing) and runs every test, headless: the normal build,
# then a build under AddressSanitizer and UndefinedBehaviorSanitizer with the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh --tests
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)"
tools/paquete.sh

CC=clang-14 CXX=clang++-14 cmake -S . -B build-san -DKORVAL_SANITIZERS=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-san -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-san --output-on-failure -j"$(nproc)"

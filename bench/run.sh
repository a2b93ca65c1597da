#!/usr/bin/env bash
# Builds in Release and prints the benchmark table: each figure beside its floor, with the ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
# valgrind, Xvfb and python3 come with the benchmark set-up.
tools/setup.sh --bench >/dev/null
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKORVAL_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" >/dev/null
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), $(uname -sr)"
printf '| %-34s | %10s | %-28s | %10s | %5s |\n' figure "median" floor "floor" ratio
python3 bench/arranque.py build-bench "${RUNS:-30}"
build-bench/bench/bench_korval | tail -n +3

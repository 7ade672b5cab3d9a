#!/usr/bin/env bash
# Builds the benchmarks in a Release folder of their own and runs each of them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQD_BUILD_BENCH=ON -DQD_BUILD_TESTS=OFF \
    -DQD_BUILD_APP=OFF >/dev/null
cmake --build build/bench
for bench in build/bench/bin/*_bench; do
    [ -x "$bench" ] && "$bench" "$@"
done

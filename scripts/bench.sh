#!/usr/bin/env bash
# Builds the benchmarks and the program in a Release folder of their own, runs each benchmark
# program and then the preview CPU comparison of the program against a bare pipeline (under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQD_BUILD_BENCH=ON -DQD_BUILD_TESTS=OFF \
    -DQD_BUILD_APP=ON >/dev/null
cmake --build build/bench
for bench in build/bench/bin/*_bench; do
    [ -x "$bench" ] && "$bench" "$@"
done
bench/app/preview_cpu.sh build/bench/bin

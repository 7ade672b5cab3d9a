#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer + UndefinedBehaviorSanitizer and runs
# every test; then builds the fuzz targets with clang and runs each one briefly on its corpus.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQD_SANITIZE=ON >/dev/null
cmake --build build/test
# Tests must never depend on the machine's own display, devices, registry or profiles.
export QT_QPA_PLATFORM=offscreen
(cd build/test && ctest --output-on-failure --timeout 300 -j"$(nproc)")

cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DQD_BUILD_FUZZERS=ON -DQD_BUILD_TESTS=OFF -DQD_BUILD_APP=OFF >/dev/null
cmake --build build/fuzz
scripts/fuzz-smoke.sh build/fuzz "${FUZZ_SECONDS:-15}"

#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer + UndefinedBehaviorSanitizer and runs
# every test; then builds the fuzz targets with clang and runs each one briefly on its corpus.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQD_SANITIZE=ON >/dev/null
cmake --build build/test
# Tests must never depend on the machine's own display, devices, registry or profiles, nor
# leave anything in the user's home: they run with an empty home and no XDG directories, and
# the home must still be empty afterwards.
export QT_QPA_PLATFORM=offscreen
test_home=$(mktemp -d)
trap 'rm -rf "$test_home"' EXIT
status=0
(cd build/test && env -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_DATA_HOME -u XDG_STATE_HOME -u XDG_RUNTIME_DIR \
    HOME="$test_home" ctest --output-on-failure --timeout 300 -j"$(nproc)") || status=$?
if [ -n "$(find "$test_home" -mindepth 1 -print -quit)" ]; then
    echo "The tests wrote into the home directory:" >&2
    find "$test_home" -mindepth 1 >&2
    status=1
fi
[ "$status" -eq 0 ] || exit "$status"

cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DQD_BUILD_FUZZERS=ON -DQD_BUILD_TESTS=OFF -DQD_BUILD_APP=OFF >/dev/null
cmake --build build/fuzz --target fuzzers
scripts/fuzz-smoke.sh build/fuzz "${FUZZ_SECONDS:-15}"

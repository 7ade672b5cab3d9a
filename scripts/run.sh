#!/usr/bin/env bash
# Builds Quilldeck (optimised, with debug info), registers its modules and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQD_BUILD_TESTS=OFF >/dev/null
cmake --build build/release
scripts/register-modules.sh build/release/bin
exec build/release/bin/quilldeck "$@"

#!/usr/bin/env bash
# Registers every filter module (*.ax) found in the given build output folder.
set -euo pipefail
bin="${1:?usage: register-modules.sh BUILD_BIN_DIR}"
shopt -s nullglob
for module in "$bin"/*.ax; do
    "$bin/regsvr" "$module" >/dev/null
done

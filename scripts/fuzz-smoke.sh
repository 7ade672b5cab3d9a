#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build folder for a few seconds on a scratch copy of its corpus.
set -euo pipefail
build="${1:?usage: fuzz-smoke.sh FUZZ_BUILD_DIR [SECONDS]}"
seconds="${2:-15}"
root="$(cd "$(dirname "$0")/.." && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

found=0
while IFS= read -r target; do
    name="$(basename "$target")"
    # Targets made in a loop keep their seeds in corpus/<kind> ("device" for device_file_fuzzer).
    kind="${name%_fuzzer}"
    kind="${kind%_file}"
    corpus_src="$(find "$root/fuzz" -type d -path "*/corpus/$kind" | head -1)"
    [ -n "$corpus_src" ] ||
        corpus_src="$(dirname "$(grep -rl --include=CMakeLists.txt "qd_add_fuzzer(${name}\b" "$root/fuzz" | head -1)")/corpus"
    mkdir -p "$scratch/$name"
    [ -d "$corpus_src" ] && cp -r "$corpus_src/." "$scratch/$name/"
    echo "fuzz: $name for ${seconds}s"
    "$target" -max_total_time="$seconds" -print_final_stats=0 "$scratch/$name" 2>"$scratch/$name.log" ||
        { tail -40 "$scratch/$name.log"; echo "fuzz: $name FAILED"; exit 1; }
    found=$((found + 1))
done < <(find "$build/bin" -maxdepth 1 -type f -name '*_fuzzer' -perm -u+x | sort)
echo "fuzz: $found targets ran clean"

#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time on the corpus kept in
# fuzz/corpus/<target>/. New inputs found go to the build folder, never into the repository.
# Usage: tools/fuzz.sh [SECONDS_PER_TARGET [BUILD_DIR]]   (defaults: 60, build/fuzz)
# A crash or sanitizer report fails the command and leaves the input in BUILD_DIR/artifacts/.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top" || exit 1
seconds=${1:-60}
build=${2:-build/fuzz}
jobs=${JOBS:-2}

# clang leaves the libFuzzer runtime to a recommended package: name it.
tools/install-deps.sh clang libclang-rt-dev || exit 1
CC=clang CXX=clang++ cmake -S fuzz -B "$build" >/dev/null || exit 1
cmake --build "$build" -j"$jobs" || exit 1

status=0
mkdir -p "$build/artifacts"
for exe in "$build"/fuzz_*; do
    [ -x "$exe" ] || continue
    name=$(basename "$exe")
    corpus=fuzz/corpus/${name#fuzz_}
    found=$build/found/${name#fuzz_}
    mkdir -p "$found"
    echo "== $name: ${seconds}s, seeds $(find "$corpus" -type f 2>/dev/null | wc -l) in $corpus"
    if "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$name-" "$found" "$corpus" >"$build/$name.log" 2>&1; then
        grep -E '^stat::(number_of_executed_units|new_units_added)|cov: ' "$build/$name.log" | tail -n 3
        echo "   $name: no crash, no sanitizer report"
    else
        status=1
        tail -n 40 "$build/$name.log"
        echo "   $name: FAILED (log $build/$name.log, input in $build/artifacts/)" >&2
    fi
done
exit $status

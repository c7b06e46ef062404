#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time:
#   scripts/fuzz.sh [seconds-per-target] [target-name...]
# Findings are written to build-fuzz/findings/; the seed corpora under tests/fuzz/corpus stay
# untouched (each run grows a copy).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
shift || true
"$root/scripts/setup.sh" clang libclang-rt-14-dev
build="$root/build-fuzz"
CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSITEWRIGHT_FUZZ=ON -DBUILD_TESTING=OFF -DSITEWRIGHT_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for corpus in "$root"/tests/fuzz/corpus/*/; do
        targets+=("$(basename "$corpus")")
    done
fi
mkdir -p "$build/findings"
for name in "${targets[@]}"; do
    work=$(mktemp -d)
    cp -r "$root/tests/fuzz/corpus/$name/." "$work/"
    echo "fuzz_$name: ${seconds}s"
    if ! "$build/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$build/findings/$name-" -print_final_stats=0 "$work" >"$build/findings/$name.log" 2>&1; then
        tail -n 40 "$build/findings/$name.log"
        rm -rf "$work"
        echo "fuzz_$name found a failure; see $build/findings" >&2
        exit 1
    fi
    grep -E '^Done [0-9]+ runs' "$build/findings/$name.log" || true
    rm -rf "$work"
done

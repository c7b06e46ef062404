#!/usr/bin/env bash
# Installs what is missing, then proves the tree three ways: every test built with
# AddressSanitizer + UndefinedBehaviorSanitizer (build-asan), each fuzz target for a short
# time (build-fuzz), and every test built in Release (build), last, so that the output ends
# with CTest's summary of the Release run. Any finding fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

# A sanitizer report ends the process with an error, leaks included.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
"$root/scripts/build.sh" "$root/build-asan" -DSITEWRIGHT_SANITIZE=ON -DSITEWRIGHT_BENCH=OFF
(cd "$root/build-asan" && ctest --output-on-failure -j"$(nproc)")

echo "== Fuzz targets, 30 s each"
"$root/scripts/fuzz.sh" 30
unset ASAN_OPTIONS UBSAN_OPTIONS

echo "== Tests in Release"
"$root/scripts/build.sh" "$root/build"
cd "$root/build"
ctest --output-on-failure -j"$(nproc)"

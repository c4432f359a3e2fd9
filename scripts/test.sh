#!/usr/bin/env bash
# Installs what is missing, builds kzr and runs every test: once in a Release build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer (any report fails the run).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh
jobs="$(nproc)"

echo "== Release build and tests"
# The options are given whole: the demo command configures the same folder without the tests.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKZR_BUILD_TESTS=ON -DKZR_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs"

echo "== AddressSanitizer and UndefinedBehaviorSanitizer build and tests"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKZR_SANITIZE=ON -DKZR_BUILD_TESTS=ON -DKZR_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-sanitize -j"$jobs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir build-sanitize --output-on-failure --no-tests=error -j"$jobs"

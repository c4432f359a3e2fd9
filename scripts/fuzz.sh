#!/usr/bin/env bash
# Builds the fuzz targets with clang (AddressSanitizer, UndefinedBehaviorSanitizer and coverage of
# the whole library) and runs one of them for as long as asked, starting from its seed corpus.
#   bash scripts/fuzz.sh pricing 900       # fun and funvec, 15 minutes
#   bash scripts/fuzz.sh fixedincome 600   # fifun, 10 minutes
# Further arguments go to the fuzzer (-jobs=N, -dict=FILE, ...). New inputs collect in
# build-fuzz/corpus/TARGET; an input that fails a check is written to build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

target="${1:-pricing}"
seconds="${2:-600}"
shift $(( $# < 2 ? $# : 2 ))
case "$target" in
  pricing|fixedincome) ;;
  *) echo "fuzz.sh: the targets are pricing and fixedincome" >&2; exit 2 ;;
esac

scripts/install-dependencies.sh
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKZR_FUZZ=ON -DKZR_BUILD_TESTS=OFF -DKZR_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "fuzz_$target"

mkdir -p "build-fuzz/corpus/$target" build-fuzz/findings
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
exec "build-fuzz/bin/fuzz_$target" "build-fuzz/corpus/$target" "fuzz/corpus/$target" \
  -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 \
  -artifact_prefix=build-fuzz/findings/ -print_final_stats=1 "$@"

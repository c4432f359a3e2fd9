#!/usr/bin/env bash
# Installs what is missing, builds kzr and prices the demo portfolio through the library.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKZR_BUILD_TESTS=OFF -DKZR_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target kzrcli
build/bin/kzr demo

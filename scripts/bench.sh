#!/usr/bin/env bash
# Builds the timing programs in an optimised build without sanitizers
# (build/bench) and runs the load benchmark.
#   scripts/bench.sh [size [path]]   size with K, M or G; default 1G
# The 1G run needs about 2 GiB of free memory and 1 GiB in the temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DEARLOOP_SANITIZE=OFF -DEARLOOP_TESTS=OFF >/dev/null
cmake --build build/bench --target earloop_load_bench
build/bench/bin/earloop_load_bench "$@"

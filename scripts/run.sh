#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DEARLOOP_TESTS=OFF >/dev/null
cmake --build build/release --target earloop earloop-cli
exec build/release/bin/earloop

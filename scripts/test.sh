#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test. Window tests run in a
# private Xvfb server, so no display is needed. Then the mixer's audio thread
# tests alone, built with ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DEARLOOP_SANITIZE=ON >/dev/null
cmake --build build/test
ctest --test-dir build/test --output-on-failure -j 2
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DEARLOOP_TSAN=ON >/dev/null
cmake --build build/tsan
# Without address space randomisation: ThreadSanitizer's fixed memory layout
# clashes with the large mmap randomisation of newer kernels.
setarch "$(uname -m)" -R ctest --test-dir build/tsan --output-on-failure

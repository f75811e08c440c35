#!/usr/bin/env bash
# Builds the program for release into build/release and makes its Debian
# package there with CPack: build/release/earloop_<version>_<arch>.deb, laid
# out under /usr, its Depends computed by dpkg-shlibdeps.
# usage: scripts/package.sh   (scripts/check-package.sh tries it on a fresh Debian 12)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DEARLOOP_TESTS=OFF -DEARLOOP_BENCH=OFF >/dev/null
cmake --build build/release
rm -f build/release/earloop_*.deb
(cd build/release && cpack -G DEB >/dev/null)
ls build/release/earloop_*.deb

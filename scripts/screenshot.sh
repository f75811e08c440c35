#!/usr/bin/env bash
# Starts the program in a private Xvfb server and saves a PNG of its window.
# usage: scripts/screenshot.sh [OUT.png] [PROGRAM]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshot.png}
program=${2:-build/release/bin/earloop}
if [ -z "${EARLOOP_IN_XVFB:-}" ]; then
  scripts/install-deps.sh
  if [ ! -x "$program" ]; then
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DEARLOOP_TESTS=OFF >/dev/null
    cmake --build build/release --target earloop
  fi
  EARLOOP_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$out" "$program"
fi

mkdir -p "$(dirname "$out")"
"$program" & pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
window=$(timeout 15 xdotool search --sync --onlyvisible --name '^Earloop !$' 2>/dev/null | head -n 1 || true)
[ -n "$window" ] || { echo "the program's window did not appear" >&2; exit 1; }
sleep 1  # let the first paint finish
import -window "$window" "$out"
echo "saved $out"

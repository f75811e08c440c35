#!/usr/bin/env bash
# Starts the program in a private Xvfb server, opens a generated chord, opens
# Options > Setting and saves a PNG of each of its five pages into OUT_DIR.
# usage: scripts/setting-screenshots.sh [OUT_DIR] [PROGRAM]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs}
program=${2:-build/release/bin/earloop}
if [ -z "${EARLOOP_IN_XVFB:-}" ]; then
  scripts/install-deps.sh
  if [ -z "${2:-}" ]; then
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DEARLOOP_TESTS=OFF >/dev/null
    cmake --build build/release --target earloop
  fi
  EARLOOP_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$out" "$program"
fi

source scripts/xdrive.sh
mkdir -p "$out"
work=$(mktemp -d)
trap 'kill "${program_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
write_demo_wave "$work/A major chord.wav" 4
start_program "$program" || { echo "the program's window did not appear" >&2; exit 1; }
open_through_dialog "$program_window" "$work/A major chord.wav" || { echo "no file dialog" >&2; exit 1; }
xdotool windowfocus --sync "$program_window" key alt+o
sleep 0.5
xdotool key s
dialog=$(timeout 15 xdotool search --sync --onlyvisible --name '^Setting$' | head -n 1) || {
  echo "no Setting dialog" >&2
  exit 1
}
sleep 1
for page in play-mode midi wave-file wave-in note-box; do
  import -window "$dialog" "$out/setting-$page.png"
  echo "saved $out/setting-$page.png"
  # Ctrl+Page Down turns to the next tab wherever the focus is in the notebook.
  xdotool windowfocus --sync "$dialog" key ctrl+Next
  sleep 0.5
done
xdotool windowfocus --sync "$dialog" key Escape

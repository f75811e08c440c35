#!/usr/bin/env bash
# Starts the program in a private Xvfb server, opens a generated chord, opens
# the Note box, plays the chord for two seconds and saves a PNG of the main
# window with the Note box beside it; or saves one of the Help menu's dialogs
# ("about": Help > About, "information": Help > This Application).
# usage: scripts/screenshot.sh [OUT.png] [PROGRAM] [main|about|information]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshot.png}
program=${2:-build/release/bin/earloop}
what=${3:-main}
if [ -z "${EARLOOP_IN_XVFB:-}" ]; then
  scripts/install-deps.sh
  if [ -z "${2:-}" ]; then
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DEARLOOP_TESTS=OFF >/dev/null
    cmake --build build/release --target earloop
  fi
  EARLOOP_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$out" "$program" "$what"
fi

source scripts/xdrive.sh
mkdir -p "$(dirname "$out")"
work=$(mktemp -d)
trap 'kill "${program_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

# A dialog of the Help menu, from a copy of the program in a folder of its own
# (the information dialog shows that folder).
if [ "$what" != main ]; then
  case $what in
    about) key=a title='Earloop!' ;;
    information) key=t title='Information on this Application' ;;
    *) echo "no such picture: $what" >&2; exit 2 ;;
  esac
  mkdir "$work/Earloop"
  cp "$program" "$(dirname "$program")"/earlp*.so "$work/Earloop/"
  start_program "$work/Earloop/earloop" || { echo "the program's window did not appear" >&2; exit 1; }
  xdotool windowfocus --sync "$program_window" key alt+h
  sleep 0.5
  xdotool key "$key"
  dialog=$(timeout 15 xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1) || { echo "no $what dialog" >&2; exit 1; }
  sleep 1
  import -window "$dialog" "$out"
  echo "saved $out"
  exit 0
fi

write_demo_wave "$work/A major chord.wav" 12
start_program "$program" || { echo "the program's window did not appear" >&2; exit 1; }
open_through_dialog "$program_window" "$work/A major chord.wav" || { echo "no file dialog" >&2; exit 1; }
xdotool windowfocus --sync "$program_window" key Insert
sleep 1
xdotool windowfocus --sync "$program_window" key Return
sleep 2
# Both windows sit side by side from the screen's top left corner.
eval "$(xdotool getwindowgeometry --shell "$program_window")"
import -window root -crop "$((X + WIDTH + 200))x$((Y + HEIGHT))+0+0" +repage "$out"
echo "saved $out"

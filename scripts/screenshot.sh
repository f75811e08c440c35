#!/usr/bin/env bash
# Makes every picture of the README and the help file in a private Xvfb
# server, from the running program: the main window playing a chord with the
# Note box beside it, the About and information boxes, the five pages of the
# Setting dialog, the recorder and the save dialog of a take.
# usage: scripts/screenshot.sh [OUT_DIR] [PROGRAM]   (default: docs, a release build)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs}")
program=$(realpath -m "${2:-build/release/bin/earloop}")
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
scratch=$(mktemp -d)
trap 'kill "${program_pid:-}" 2>/dev/null || true; rm -rf "$scratch"' EXIT

# Starts a copy of the program in a folder named Earloop (the information box
# shows it), with a chord open when a wave is named.
start_copy() {
  rm -rf "$scratch/Earloop"
  mkdir "$scratch/Earloop"
  cp "$program" "$(dirname "$program")"/earlp*.so "$scratch/Earloop/"
  start_program "$scratch/Earloop/earloop" || { echo "the program's window did not appear" >&2; exit 1; }
  if [ -n "${1:-}" ]; then
    write_demo_wave "$scratch/$1" "$2"
    open_through_dialog "$program_window" "$scratch/$1" || { echo "no file dialog" >&2; exit 1; }
  fi
}

# Waits for the dialog titled TITLE; sets `dialog`.
find_dialog() {
  dialog=$(timeout 15 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1) || { echo "no $1 dialog" >&2; exit 1; }
  sleep 1
}

saved() { echo "saved $out/$1"; }

main_window() {
  start_copy "A major chord.wav" 12
  xdotool windowfocus --sync "$program_window" key Insert
  sleep 1
  xdotool windowfocus --sync "$program_window" key Return
  sleep 2
  # Both windows sit side by side from the screen's top left corner.
  eval "$(xdotool getwindowgeometry --shell "$program_window")"
  import -window root -crop "$((X + WIDTH + 200))x$((Y + HEIGHT))+0+0" +repage "$out/screenshot.png"
  saved screenshot.png
  kill "$program_pid"
}

# Help > About and Help > This Application.
help_dialogs() {
  start_copy
  local key title file
  for entry in "a|Earloop!|about.png" "t|Information on this Application|information.png"; do
    IFS='|' read -r key title file <<<"$entry"
    xdotool windowfocus --sync "$program_window" key alt+h
    sleep 0.5
    xdotool key "$key"
    find_dialog "$title"
    import -window "$dialog" "$out/$file"
    saved "$file"
    xdotool windowfocus --sync "$dialog" key Escape
    sleep 0.5
  done
  kill "$program_pid"
}

# Options > Setting with a wave loaded, page by page.
setting_pages() {
  start_copy "A major chord.wav" 4
  xdotool windowfocus --sync "$program_window" key alt+o
  sleep 0.5
  xdotool key s
  find_dialog Setting
  for page in play-mode midi wave-file wave-in note-box; do
    import -window "$dialog" "$out/setting-$page.png"
    saved "setting-$page.png"
    # Ctrl+Page Down turns to the next tab wherever the focus is in the notebook.
    xdotool windowfocus --sync "$dialog" key ctrl+Next
    sleep 0.5
  done
  xdotool windowfocus --sync "$dialog" key Escape
  kill "$program_pid"
}

main_window
help_dialogs
setting_pages
# The recorder's pictures come from the program test that records a take.
tests/gui/record_take_run.sh "$(dirname "$program")" "$out" >/dev/null
saved recorder.png
saved save-as.png

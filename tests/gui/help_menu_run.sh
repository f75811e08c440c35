#!/usr/bin/env bash
# Runs the real program with stand-ins for xdg-open and pavucontrol first on
# the PATH, each writing down how it was started. Help > Help hands the help
# file beside the program to xdg-open, and says "Error 801" once the file is
# gone; This Application and About open their dialogs, which Escape closes;
# Play Volume and Record Volume start the mixer on their pages, one at a
# time, and the last one ends with the program.
# usage: help_menu_run.sh BIN_DIR   (inside an X server)
set -euo pipefail
source "$(dirname "$0")/../../scripts/xdrive.sh"
copy_program "$1"
cp "$1/earlphlp.html" "$work/"
mkdir "$work/stand-ins"
printf '#!/bin/sh\necho "$1" >> "%s/opened"\n' "$work" > "$work/stand-ins/xdg-open"
printf '#!/bin/sh\necho "$$ $*" >> "%s/mixers"\nexec sleep 60\n' "$work" > "$work/stand-ins/pavucontrol"
chmod +x "$work/stand-ins/xdg-open" "$work/stand-ins/pavucontrol"
export PATH="$work/stand-ins:$PATH"

fail() { echo "FAIL: $*"; exit 1; }
# Opens a menu with its Alt key, then types the mnemonics that follow.
choose() {
  xdotool windowfocus --sync "$program_window" key "$1"
  shift
  for key in "$@"; do sleep 0.5; xdotool key "$key"; done
}
# Waits for FILE to hold at least N lines.
has_lines() {
  for _ in $(seq 1 100); do
    [ "$(cat "$1" 2>/dev/null | wc -l)" -ge "$2" ] && return 0
    sleep 0.1
  done
  return 1
}
# Waits for the window titled TITLE, then closes it with KEY.
answer() {
  local window
  window=$(timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1) || fail "no window \"$1\""
  xdotool windowfocus --sync "$window" key "$2"
  for _ in $(seq 1 50); do xdotool search --onlyvisible --name "^$1\$" >/dev/null || return 0; sleep 0.1; done
  fail "\"$1\" stayed open"
}

start_program "$work/earloop" || fail "no main window"
choose alt+h h
has_lines "$work/opened" 1 || fail "the help file was not handed to xdg-open"
[ "$(cat "$work/opened")" = "$work/earlphlp.html" ] || fail "opened $(cat "$work/opened")"
rm "$work/earlphlp.html"
choose alt+h h
answer "Error 801" Return
[ "$(wc -l < "$work/opened")" -eq 1 ] || fail "a missing help file was handed on"

choose alt+h t
answer "Information on this Application" Escape
choose alt+h a
answer "Earloop!" Escape

choose alt+o v p
has_lines "$work/mixers" 1 || fail "Play Volume started no mixer"
choose alt+o v r
has_lines "$work/mixers" 2 || fail "Record Volume started no mixer"
read -r playback playback_page < <(sed -n 1p "$work/mixers")
read -r recording recording_page < <(sed -n 2p "$work/mixers")
[ "$playback_page $recording_page" = "--tab=3 --tab=4" ] || fail "pages $playback_page $recording_page"
! kill -0 "$playback" 2>/dev/null || fail "the first mixer still runs beside the second"
kill -0 "$recording" 2>/dev/null || fail "the recording mixer ended early"
exit_program "$program_window" || fail "the program did not end"
! kill -0 "$recording" 2>/dev/null || fail "the mixer outlived the program"
echo "ok: help, both dialogs and both mixers from the menus"

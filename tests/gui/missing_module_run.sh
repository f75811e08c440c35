#!/usr/bin/env bash
# Runs the real program with picture modules taken away: an "Error 901" box
# must appear for each, the main window must never show, and the program
# must end cleanly once the boxes are answered.
# usage: missing_module_run.sh BIN_DIR MODULE_FILE...   (inside an X server)
set -euo pipefail
source "$(dirname "$0")/../../scripts/xdrive.sh"
modules=("${@:2}")
copy_program "$1"
for module in "${modules[@]}"; do rm "$work/$module"; done

"$work/earloop" & program_pid=$!
for module in "${modules[@]}"; do
  box=$(timeout 15 xdotool search --sync --onlyvisible --name '^Error 901$' 2>/dev/null | head -n 1 || true)
  [ -n "$box" ] || { echo "FAIL: no Error 901 box for $module"; exit 1; }
  if xdotool search --onlyvisible --name '^Earloop !$' >/dev/null 2>&1; then
    echo "FAIL: the main window is showing"; exit 1
  fi
  # Without a window manager the box gets the keyboard only when given the focus.
  xdotool windowfocus --sync "$box" key Return
  for _ in $(seq 1 50); do xdotool search --onlyvisible --name '^Error 901$' >/dev/null 2>&1 || break; sleep 0.1; done
done
for _ in $(seq 1 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program_pid" 2>/dev/null && { echo "FAIL: the program did not end"; exit 1; }
status=0
wait "$program_pid" || status=$?
[ "$status" -eq 0 ] || { echo "FAIL: the program ended with status $status"; exit 1; }
echo "ok: ${modules[*]} missing give Error 901 each and the program ends"

#!/usr/bin/env bash
# Runs the real program with one picture module taken away: the "Error 901"
# box must appear, the main window must never show, and the program must end
# once the box is answered.
# usage: missing_module_run.sh BIN_DIR MODULE_FILE   (inside an X server)
set -euo pipefail
source "$(dirname "$0")/../../scripts/xdrive.sh"
module=$2
copy_program "$1"
rm "$work/$module"

"$work/earloop" & program_pid=$!
box=$(timeout 15 xdotool search --sync --onlyvisible --name '^Error 901$' 2>/dev/null | head -n 1 || true)
[ -n "$box" ] || { echo "FAIL: no Error 901 box"; exit 1; }
if xdotool search --onlyvisible --name '^Earloop !$' >/dev/null 2>&1; then
  echo "FAIL: the main window is showing"; exit 1
fi
# Without a window manager the box gets the keyboard only when given the focus.
xdotool windowfocus --sync "$box" key Return
wait_for_exit || { echo "FAIL: the program did not end"; exit 1; }
echo "ok: $module missing gives Error 901 and the program ends"

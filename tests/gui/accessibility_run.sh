#!/usr/bin/env bash
# Reads the main window through the desktop's accessibility tree (AT-SPI), as
# a screen reader would: right after start-up every control is there with its
# name, role and state; then, with a wave open, Play pressed through its
# action plays; then the Note box's controls are there too.
# check_accessibility.py does the reading, with the Debian interpreter that
# the pyatspi package serves.
# usage: accessibility_run.sh BIN_DIR   (inside an X server)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# A private session bus, on which the accessibility bus starts when asked for.
if [ -z "${EARLOOP_PRIVATE_BUS:-}" ]; then
  EARLOOP_PRIVATE_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
# The toolkit joins the accessibility bus unless told not to.
unset NO_AT_BRIDGE GTK_A11Y
source "$here/../../scripts/xdrive.sh"
copy_program "$1"
write_demo_wave "$work/chord.wav" 8

start_program "$work/earloop" || { echo "FAIL: no main window"; exit 1; }
/usr/bin/python3 "$here/check_accessibility.py" startup
open_through_dialog "$program_window" "$work/chord.wav" || { echo "FAIL: no file dialog"; exit 1; }
/usr/bin/python3 "$here/check_accessibility.py" play
xdotool windowfocus --sync "$program_window" key Insert  # opens the Note box
/usr/bin/python3 "$here/check_accessibility.py" notebox
exit_program "$program_window" || { echo "FAIL: the program did not end"; exit 1; }
echo "ok: every control read through AT-SPI; Play pressed through its action played"

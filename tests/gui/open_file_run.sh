#!/usr/bin/env bash
# Runs the real program, opens a wave from the File menu through the file
# dialog, and leaves by File > Exit: the settings written at exit must name
# the file as the last one opened.
# usage: open_file_run.sh BIN_DIR   (inside an X server)
set -euo pipefail
source "$(dirname "$0")/../../scripts/xdrive.sh"
copy_program "$1"

wave="$work/Take One.WAV"
write_demo_wave "$wave" 1 22050 1
start_with_wave "$wave"
exit_program "$program_window" || { echo "FAIL: the program did not end"; exit 1; }
grep -qF "CurrentDir=$wave" "$work/earloop.ini" || { echo "FAIL: earloop.ini does not name the opened file"; cat "$work/earloop.ini"; exit 1; }
echo "ok: opened from the File menu and recorded as the last file"

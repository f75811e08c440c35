#!/usr/bin/env bash
# Runs the real program, opens a wave from the File menu through the file
# dialog, and leaves by File > Exit: the settings written at exit must name
# the file as the last one opened.
# usage: open_file_run.sh BIN_DIR   (inside an X server)
set -euo pipefail
# No settings daemon runs here; keep the toolkit from looking for one.
export GSETTINGS_BACKEND=memory
bin_dir=$1
work=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$bin_dir/earloop" "$bin_dir"/earlp*.so "$work/"

# One second of 22050 Hz mono silence, written byte by byte.
wave="$work/Take One.WAV"
le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"; }
{
  printf 'RIFF'; le32 $((36 + 44100)); printf 'WAVEfmt '; le32 16
  printf '\x01\x00\x01\x00'; le32 22050; le32 44100; printf '\x02\x00\x10\x00'
  printf 'data'; le32 44100; head -c 44100 /dev/zero
} > "$wave"

"$work/earloop" & pid=$!
window=$(timeout 15 xdotool search --sync --onlyvisible --name '^Earloop !$' | head -n 1)
xdotool windowfocus --sync "$window" key alt+f
sleep 0.5
xdotool key o
dialog=$(timeout 15 xdotool search --sync --onlyvisible --name 'Select a file' | head -n 1) \
  || { echo "FAIL: no file dialog"; exit 1; }
# Typing a path opens the dialog's location field.
xdotool windowfocus --sync "$dialog" type --delay 30 "$wave"
sleep 0.5
xdotool key Return
sleep 2
xdotool windowfocus --sync "$window" key alt+f
sleep 0.5
xdotool key x
for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then echo "FAIL: the program did not end"; exit 1; fi
wait "$pid" || true
grep -qF "CurrentDir=$wave" "$work/earloop.ini" || { echo "FAIL: earloop.ini does not name the opened file"; cat "$work/earloop.ini"; exit 1; }
echo "ok: opened from the File menu and recorded as the last file"

#!/usr/bin/env bash
# Runs the real program with a WAV file standing in for the microphone,
# records a take through File > Record (START, FINISH), names it in the save
# dialog and leaves: the take must be saved beside the program and be the
# current wave. With a second argument, pictures of the recorder and of the
# save dialog are left in that folder.
# usage: record_take_run.sh BIN_DIR [PICTURE_DIR]   (inside an X server)
set -euo pipefail
source "$(dirname "$0")/../../scripts/xdrive.sh"
copy_program "$1"
pictures=${2:-}

write_chord_wave "$work/microphone.wav" 4 22050 2 261.63 329.63 392 0
export EARLOOP_INPUT_WAVE="$work/microphone.wav"
start_program "$work/earloop" || { echo "FAIL: no main window"; exit 1; }

# Record has no mnemonic: the second item of the File menu.
xdotool windowfocus --sync "$program_window" key alt+f
sleep 0.5
xdotool key Down Return
recorder=$(timeout 15 xdotool search --sync --onlyvisible --name '^Varar WAVE Recorder$' | head -n 1) \
  || { echo "FAIL: no recorder dialog"; exit 1; }
sleep 1
xdotool windowfocus --sync "$recorder" key Return  # START, the default button
sleep 2.5
[ -z "$pictures" ] || import -window "$recorder" "$pictures/recorder.png"
xdotool windowfocus --sync "$recorder" key Return  # FINISH, default once recording
save=$(timeout 15 xdotool search --sync --onlyvisible --name '^Save as \.\.\.$' | head -n 1) \
  || { echo "FAIL: no save dialog"; exit 1; }
xdotool windowfocus --sync "$save" type --delay 30 "Take 1"
sleep 0.5
[ -z "$pictures" ] || import -window "$save" "$pictures/save-as.png"
xdotool key Return
sleep 2

take="$work/Take 1.wav"
[ -f "$take" ] || { echo "FAIL: no take saved"; ls "$work"; exit 1; }
[ ! -e "$work/Temp.dat" ] || { echo "FAIL: the capture file is left"; exit 1; }
# About 2.5 s at 44100 bytes a second, after the 44-byte header.
size=$(stat -c %s "$take")
[ "$size" -gt 44100 ] && [ "$size" -lt 176444 ] || { echo "FAIL: a take of $size bytes"; exit 1; }
exit_program "$program_window" || { echo "FAIL: the program did not end"; exit 1; }
grep -qF "CurrentDir=$take" "$work/earloop.ini" || { echo "FAIL: the take is not the current wave"; cat "$work/earloop.ini"; exit 1; }
echo "ok: recorded $size bytes, saved and made the current wave"

#!/usr/bin/env bash
# Runs the real program with its output recorded (EARLOOP_RECORD_OUTPUT) and
# sounds the built-in synthesizer, a second or so apart: (b) Numpad 6, the
# reference tone one step up, and Numpad 5 back, (a) a click held on middle C
# of the keyboard strip, (c) a C major chord wave played and paused, first
# with "Play Notes by MIDI" off, then on. After File > Exit,
# check_midi_sound.py finds the five sounds in the recording by their onsets
# and checks their pitches.
# usage: midi_sound_run.sh BIN_DIR   (inside an X server)
set -euo pipefail
here=$(dirname "$0")
source "$here/../../scripts/xdrive.sh"
copy_program "$1"
write_chord_wave "$work/c_major.wav" 10 22050 2 261.63 329.63 392.00 0
# Loud enough to measure: a first start would set both volumes to 10 %.
printf '[VOLUME]\nwave volume=50\nmidi volume=100\n' > "$work/earloop.ini"

export EARLOOP_RECORD_OUTPUT="$work/output.wav"
start_with_wave "$work/c_major.wav"

# The client area's origin, from the drawn overview.
snap_with_overview "$work/loaded.png" || { echo "FAIL: the program ended or drew no overview"; exit 1; }
origin=${overview#*+}
width=${overview%%x*}
client_x=$(( ${origin%+*} + width - 554 ))
client_y=${origin#*+}

# (b) Numpad 6 (the key's code without NumLock): the reference tone, A4,
# at 441 Hz for 200 ms; then Numpad 5, back to 440 Hz, also sounded.
xdotool windowfocus --sync "$program_window" key KP_Right
sleep 1.5
xdotool key KP_Begin
sleep 1.5

# (a) Middle C of the keyboard strip, held half a second.
xdotool mousemove --window "$program_window" $(( client_x + 255 )) $(( client_y + 380 )) mousedown 1
sleep 0.5
xdotool mouseup 1
sleep 1.5

# (c) The chord played for a second with the Note box open, then again with
# its "Play Notes by MIDI" button on; each play ends with Down (Pause).
# Enter goes to the main window: in the box it would press the focused button.
xdotool windowfocus --sync "$program_window" key Insert
box=$(timeout 15 xdotool search --sync --onlyvisible --name '^Note box$' | head -n 1) || { echo "FAIL: no Note box"; exit 1; }
xdotool windowfocus --sync "$program_window" key Return
sleep 1
xdotool key Down
sleep 1.5
xdotool mousemove --window "$box" 34 370 click 1
sleep 0.5
xdotool windowfocus --sync "$program_window" key Return
sleep 2
xdotool key Down
sleep 1.5
exit_program "$program_window" || { echo "FAIL: the program did not end"; exit 1; }

[ -z "${EARLOOP_KEEP_RECORDING:-}" ] || cp "$work/output.wav" "$EARLOOP_KEEP_RECORDING"
python3 "$here/check_midi_sound.py" "$work/output.wav"

#!/usr/bin/env bash
# Runs the real program, plays a wave and holds Escape down for ten seconds:
# the play stops at the next tick, once, and the program stays alive and
# answers: the time readout stands still while the key is held, Enter plays
# again after its release (the readout runs) and File > Exit ends it.
# usage: escape_hold_run.sh BIN_DIR   (inside an X server)
set -euo pipefail
source "$(dirname "$0")/../../scripts/xdrive.sh"
copy_program "$1"
write_demo_wave "$work/chord.wav" 30

start_with_wave "$work/chord.wav"
xdotool windowfocus --sync "$program_window" key Return
sleep 1.5
snap_with_overview "$work/playing.png" || { echo "FAIL: the program ended or drew no overview"; exit 1; }

died() { xdotool keyup Escape; echo "FAIL: the program died while Escape was held"; exit 1; }
xdotool keydown Escape
sleep 1
snap_window "$work/held.png" || died
sleep 9
snap_window "$work/still_held.png" || died
xdotool keyup Escape
differs "$readout" "$work/held.png" "$work/still_held.png" && { echo "FAIL: the time ran on while Escape was held"; exit 1; }

xdotool key Return
sleep 1.5
snap_window "$work/again.png" && sleep 1 && snap_window "$work/again_later.png" || { echo "FAIL: the program ended"; exit 1; }
differs "$readout" "$work/again.png" "$work/again_later.png" || { echo "FAIL: Enter did not play again after Escape"; exit 1; }
exit_program "$program_window" || { echo "FAIL: the program did not end"; exit 1; }
echo "ok: Escape held for 10 s stopped the play; Enter played again and Exit ended the program"

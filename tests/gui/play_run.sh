#!/usr/bin/env bash
# Runs the real program, opens a wave and plays it with the Enter key: the
# overview shows the wave, and while it plays the play cursor moves and the
# time readout runs (two pictures of the window a second apart differ there).
# Then it plays again at half speed: two buffers hold two seconds of output,
# so a readout still running after three and a half seconds shows that the
# buffers were refilled as they finished.
# usage: play_run.sh BIN_DIR   (inside an X server)
set -euo pipefail
source "$(dirname "$0")/../../scripts/xdrive.sh"
copy_program "$1"
write_demo_wave "$work/chord.wav" 8

start_with_wave "$work/chord.wav"
xdotool windowfocus --sync "$program_window" key Return
sleep 1.5
import -window "$program_window" "$work/first.png"
sleep 1
import -window "$program_window" "$work/second.png"

find_overview "$work/first.png"
# (A cursor at either end takes one column out of the fill.)
case "$overview" in
  540x127* | 539x127*) ;;
  *) echo "FAIL: no drawn overview (found: '$overview')"; exit 1 ;;
esac
differs "$overview" "$work/first.png" "$work/second.png" || { echo "FAIL: the play cursor did not move"; exit 1; }
differs "$readout" "$work/first.png" "$work/second.png" || { echo "FAIL: the time readout did not run"; exit 1; }

xdotool key KP_0 Next Next Next Next Next Return
sleep 3.5
import -window "$program_window" "$work/third.png"
sleep 1
import -window "$program_window" "$work/fourth.png"
differs "$readout" "$work/third.png" "$work/fourth.png" || { echo "FAIL: slowed play stopped: its buffers were not refilled"; exit 1; }
exit_program "$program_window" || { echo "FAIL: the program did not end"; exit 1; }
echo "ok: played from the keyboard; the cursor moved and the time ran, also at half speed"

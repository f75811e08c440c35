#!/usr/bin/env bash
# The real program against real faults, on demand; prints what each did.
#   lost    the sound device goes away during play: the program plays under a
#           JACK dummy server (Debian's jackd2) and the server is killed. It
#           must say so once, play on silently (the time readout runs) and
#           end cleanly.
#   full    the disk fills while recording: the program is copied onto a
#           small tmpfs (needs root) and records there until it is full. It
#           must say so, save the take it has, and end cleanly.
#   sf2     the SoundFont cut short: earloop-cli tone with it as the user's
#           choice says there is no synthesizer, and does not crash.
# usage: scripts/faults.sh BIN_DIR [lost|full|sf2 ...]   (default: all three)
# Runs itself inside xvfb-run when there is no X server.
set -euo pipefail
bin=$(cd "$1" && pwd)
shift
faults=("$@")
[ ${#faults[@]} -gt 0 ] || faults=(lost full sf2)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$bin" "${faults[@]}"
fi
source "$(dirname "$0")/xdrive.sh"

failed=0
fail() { echo "FAIL: $*"; failed=1; }

# Two pictures of the window a second apart differ in the time readout.
readout_runs() {
  snap_window "$work/a.png" && sleep 1 && snap_window "$work/b.png" || return 1
  find_overview "$work/a.png"
  differs "$readout" "$work/a.png" "$work/b.png"
}

lost() {
  command -v jackd >/dev/null || { echo "lost: skipped, no jackd (Debian's jackd2)"; return; }
  copy_program "$bin"
  jackd --no-realtime -d dummy -r 44100 -p 1024 >"$work/jackd.log" 2>&1 &
  local jack_pid=$!
  sleep 2
  write_demo_wave "$work/chord.wav" 30
  start_program "$work/earloop" 2>"$work/program.log" || { fail "lost: no main window"; return; }
  open_through_dialog "$program_window" "$work/chord.wav" || { fail "lost: no file dialog"; return; }
  xdotool windowfocus --sync "$program_window" key Return
  sleep 2
  readout_runs || fail "lost: the play did not run under JACK"
  kill "$jack_pid"
  wait "$jack_pid" 2>/dev/null || true
  sleep 3
  readout_runs || fail "lost: the play stopped with the device"
  local said
  said=$(grep -c "stopped: playing silently" "$work/program.log" || true)
  [ "$said" = 1 ] || fail "lost: said $said times that the device stopped"
  grep "stopped: playing silently" "$work/program.log" || true
  exit_program "$program_window" || fail "lost: the program did not end"
  echo "lost: done"
}

full() {
  [ "$(id -u)" -eq 0 ] || { echo "full: skipped, mounting a tmpfs needs root"; return; }
  copy_program "$bin"
  local disk="$work/disk" size
  mkdir "$disk"
  # The program, its pictures and about 6 s of recording at 44100 bytes a second.
  size=$(( $(du -sk "$work" | cut -f1) + 256 ))
  mount -t tmpfs -o "size=${size}k" tmpfs "$disk"
  trap '{ kill "${program_pid:-}" && wait "${program_pid:-}"; } 2>/dev/null || true
        umount "'"$disk"'" 2>/dev/null || true
        rm -rf "$work"' EXIT
  cp "$work/earloop" "$work"/earlp*.so "$disk/"
  write_chord_wave "$work/microphone.wav" 30 22050 2 261.63 329.63 392 0
  EARLOOP_INPUT_WAVE="$work/microphone.wav" start_program "$disk/earloop" 2>"$work/program.log" \
    || { fail "full: no main window"; return; }
  xdotool windowfocus --sync "$program_window" key alt+f
  sleep 0.5
  xdotool key Down Return
  local recorder box save
  recorder=$(timeout 15 xdotool search --sync --onlyvisible --name '^Varar WAVE Recorder$' | head -n 1) \
    || { fail "full: no recorder dialog"; return; }
  sleep 1
  xdotool windowfocus --sync "$recorder" key Return  # START
  sleep 10
  echo "full: $(df -k "$disk" | awk 'NR == 2 { print $4 }') KiB left on the disk"
  xdotool windowfocus --sync "$recorder" key Return  # FINISH
  # The box that says the take is cut, then the save dialog.
  for _ in $(seq 1 30); do
    box=$(xdotool search --onlyvisible --name '^Earloop !$' | grep -v "^$program_window$" | head -n 1 || true)
    [ -z "$box" ] || break
    sleep 0.5
  done
  [ -n "$box" ] || { fail "full: no message about the full disk"; return; }
  snap_window "$work/after-finish.png" || true
  xdotool windowfocus --sync "$box" key Return
  save=$(timeout 15 xdotool search --sync --onlyvisible --name '^Save as \.\.\.$' | head -n 1) \
    || { fail "full: no save dialog"; return; }
  xdotool windowfocus --sync "$save" type --delay 30 "Take 1"
  xdotool key Return
  sleep 2
  local take="$disk/Take 1.wav"
  if [ -f "$take" ]; then
    local bytes data
    bytes=$(stat -c %s "$take")
    data=$(od -An -tu4 -j40 -N4 "$take" | tr -d ' ')
    echo "full: the take holds $bytes bytes, its header says $data of data"
    [ "$data" -eq $(( bytes - 44 )) ] || fail "full: the header does not match the take"
  else
    fail "full: no take saved"
  fi
  # The settings beside the program cannot be saved on the full disk
  # either: one box says so at exit, and the old file (none here) stays.
  xdotool windowfocus --sync "$program_window" key alt+f
  sleep 0.5
  xdotool key x
  box=$(timeout 15 xdotool search --sync --onlyvisible --name '^Earloop !$' | head -n 1) \
    || { fail "full: no message that the settings could not be saved"; return; }
  echo "full: at exit, one box says the settings could not be saved"
  xdotool windowfocus --sync "$box" key Return
  wait_for_exit || fail "full: the program did not end"
  [ ! -e "$disk/earloop.ini" ] || fail "full: a settings file was left on the full disk"
  umount "$disk"
  echo "full: done"
}

sf2() {
  local cut
  cut=$(mktemp --suffix=.sf2)
  head -c 65536 /usr/share/sounds/sf2/TimGM6mb.sf2 >"$cut"
  local status=0
  EARLOOP_SOUNDFONT="$cut" "$bin/earloop-cli" tone 440 "$cut.wav" >"$cut.out" 2>&1 || status=$?
  echo "sf2: exit status $status: $(tail -n 1 "$cut.out")"
  [ "$status" = 1 ] || fail "sf2: exit status $status"
  rm -f "$cut" "$cut.wav" "$cut.out"
}

for fault in "${faults[@]}"; do
  ( "$fault"; exit "$failed" ) || failed=1
done
[ "$failed" = 0 ] && echo "ok: every fault held" || { echo "FAIL: see above"; exit 1; }

#!/usr/bin/env bash
# On demand: the real program's settings when their place refuses them.
#   installed  its folder read-only: the settings appear in $XDG_CONFIG_HOME/earloop/
#   read-only  the settings folder (a tmpfs) remounted read-only while it runs
#   disk full  the settings folder (a 64 KiB tmpfs) filled up while it runs
# In the last two the exit says once that the settings could not be saved, and
# the old file stays byte for byte, with no temporary file left beside it.
# The tmpfs cases need the right to mount (root); without it they are skipped.
# usage: scripts/faults_settings.sh [BIN_DIR]   (default build/release/bin;
# starts its own Xvfb when no display is set)
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/release/bin}")
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$bin"; fi
source scripts/xdrive.sh
copy_program "$bin"
mounts=()
trap 'kill "${program_pid:-}" 2>/dev/null || true; for m in "${mounts[@]}"; do umount "$m" 2>/dev/null || true; done
      chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Starts the copied program with its settings under CONFIG.
start_with_config() {
  XDG_CONFIG_HOME=$1 XDG_DATA_HOME=$work/data start_program "$work/earloop" || { echo "FAIL: no main window"; exit 1; }
}

# Leaves by File > Exit; prints how many message boxes (windows titled like the
# program but smaller than its main window) were answered on the way out, or
# "stuck" when the program did not end.
exit_counting_boxes() {
  xdotool windowfocus --sync "$program_window" key alt+f
  sleep 0.5
  xdotool key x
  local answered=" " window width
  for _ in $(seq 1 100); do
    kill -0 "$program_pid" 2>/dev/null || break
    for window in $(xdotool search --onlyvisible --name '^Earloop !$' 2>/dev/null); do
      width=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null | sed -n 's/^WIDTH=//p')
      if [ "${width:-0}" -lt 700 ] && [[ "$answered" != *" $window "* ]]; then
        answered+="$window "
        xdotool windowfocus --sync "$window" key Return 2>/dev/null || true
      fi
    done
    sleep 0.1
  done
  if wait_for_exit; then echo $(( $(wc -w <<< "$answered") )); else echo stuck; fi
}

# The program made read-only, as an installed copy is.
chmod a-w "$work"
start_with_config "$work/config"
boxes=$(exit_counting_boxes)
chmod u+w "$work"
if [ -f "$work/config/earloop/earloop.ini" ] && [ ! -e "$work/earloop.ini" ] && [ "$boxes" = 0 ]; then
  echo "installed: settings saved in \$XDG_CONFIG_HOME/earloop/earloop.ini ($(wc -c < "$work/config/earloop/earloop.ini") bytes), none beside the program, no box"
else
  fail "installed: config file $(ls "$work/config/earloop" 2>&1), beside the program: $(ls "$work"/earloop.ini 2>&1), boxes $boxes"
fi
old=$(cat "$work/config/earloop/earloop.ini")

# A tmpfs of SIZE at a new folder NAME holding the settings of the first run,
# with a hand-written section of the user's; the program copy works from a
# read-only folder again.
settings_tmpfs() {
  local name=$1 size=$2
  mkdir -p "$work/$name"
  mount -t tmpfs -o "size=$size" tmpfs "$work/$name" 2>/dev/null || return 1
  mounts+=("$work/$name")
  mkdir "$work/$name/earloop"
  printf '%s\n[Mine]\nkept=yes\n' "$old" > "$work/$name/earloop/earloop.ini"
  cp "$work/$name/earloop/earloop.ini" "$work/$name.before"
}

# Reports the outcome of a refused save in the tmpfs NAME after BOXES boxes.
report_refused() {
  local name=$1 boxes=$2 left
  left=$(ls -A "$work/$name/earloop")
  if [ "$boxes" = 1 ] && cmp -s "$work/$name/earloop/earloop.ini" "$work/$name.before" && [ "$left" = earloop.ini ]; then
    echo "$name: one message box; earloop.ini kept byte for byte ($(wc -c < "$work/$name.before") bytes); nothing else left in the folder"
  else
    fail "$name: $boxes boxes; folder holds: $left; file $(cmp "$work/$name/earloop/earloop.ini" "$work/$name.before" 2>&1 || true)"
  fi
}

if settings_tmpfs read-only 1m; then
  chmod a-w "$work"
  start_with_config "$work/read-only"
  mount -o remount,ro "$work/read-only"
  boxes=$(exit_counting_boxes)
  report_refused read-only "$boxes"
  chmod u+w "$work"
else
  echo "read-only: SKIP (cannot mount a tmpfs here)"
fi

if settings_tmpfs disk-full 64k; then
  chmod a-w "$work"
  start_with_config "$work/disk-full"
  dd if=/dev/zero of="$work/disk-full/filler" bs=4k 2>/dev/null || true
  boxes=$(exit_counting_boxes)
  rm -f "$work/disk-full/filler"
  report_refused disk-full "$boxes"
  chmod u+w "$work"
else
  echo "disk full: SKIP (cannot mount a tmpfs here)"
fi

[ "$failures" = 0 ] && echo "faults_settings: all cases as expected" || { echo "faults_settings: $failures failed"; exit 1; }

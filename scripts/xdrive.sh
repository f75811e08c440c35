# Driving the real program inside an X server with xdotool; sourced by
# scripts/screenshot.sh and the program tests in tests/gui/.

# No settings daemon runs here; keep the toolkit from looking for one.
export GSETTINGS_BACKEND=memory

# Writes a 16-bit PCM WAV of `seconds` of a chord (A3, C#4, E4, the middle
# note fading in every second) at `rate` Hz with `channels` channels to `path`.
write_demo_wave() {
  write_chord_wave "$1" "$2" "${3:-22050}" "${4:-2}" 220 277.18 329.63 1
}

# Writes `seconds` of the chord of LOW, MIDDLE and HIGH Hz, in sines, the
# middle one fading in every second when FADE is 1.
write_chord_wave() {
  local path=$1 seconds=$2 rate=$3 channels=$4 low=$5 middle=$6 high=$7 fades=$8
  LC_ALL=C awk -v seconds="$seconds" -v rate="$rate" -v channels="$channels" \
    -v low="$low" -v middle="$middle" -v high="$high" -v fades="$fades" '
    function le16(v) { v = int(v); if (v < 0) v += 65536; printf "%c%c", v % 256, int(v / 256) }
    function le32(v) { printf "%c%c%c%c", v % 256, int(v / 256) % 256, int(v / 65536) % 256, int(v / 16777216) }
    BEGIN {
      frames = seconds * rate; bytes = frames * channels * 2; pi = atan2(0, -1)
      printf "RIFF"; le32(36 + bytes); printf "WAVEfmt "; le32(16)
      le16(1); le16(channels); le32(rate); le32(rate * channels * 2); le16(channels * 2); le16(16)
      printf "data"; le32(bytes)
      for (i = 0; i < frames; i++) {
        t = i / rate; fade = fades == 1 ? (i % rate) / rate : 1
        s = 6000 * sin(2 * pi * low * t) + 4000 * sin(2 * pi * middle * t) * fade + 3000 * sin(2 * pi * high * t)
        le16(s); if (channels == 2) le16(s * 0.6)
      }
    }' > "$path"
}

# Copies the program and its picture modules from BIN_DIR into a new folder,
# `work`, which goes (with the program, if it still runs) when the script ends.
copy_program() {
  work=$(mktemp -d)
  trap 'kill "${program_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
  cp "$1/earloop" "$1"/earlp*.so "$work/"
}

# Starts PROGRAM with its ARGUMENTS; sets program_pid and program_window (its
# main window).
start_program() {
  "$@" &
  program_pid=$!
  # Without a MIDI device the program says so first, in a box of the same
  # title as the main window, which is answered.
  local window width
  for _ in $(seq 1 20); do
    window=$(timeout 15 xdotool search --sync --onlyvisible --name '^Earloop !$' | head -n 1) || return 1
    width=$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^WIDTH=//p')
    if [ "${width:-0}" -ge 700 ]; then
      program_window=$window
      return 0
    fi
    xdotool windowfocus --sync "$window" key Return || true
    sleep 0.5
  done
  return 1
}

# Opens PATH through File > Open and the file dialog of WINDOW.
open_through_dialog() {
  local window=$1 path=$2 dialog
  xdotool windowfocus --sync "$window" key alt+f
  sleep 0.5
  xdotool key o
  dialog=$(timeout 15 xdotool search --sync --onlyvisible --name 'Select a file' | head -n 1) || return 1
  # Typing a path opens the dialog's location field.
  xdotool windowfocus --sync "$dialog" type --delay 30 "$path"
  sleep 0.5
  xdotool key Return
  sleep 2
}

# Starts the program copied by copy_program and opens PATH in it; a test
# script ends with a FAIL line when either does not happen.
start_with_wave() {
  start_program "$work/earloop" || { echo "FAIL: no main window"; exit 1; }
  open_through_dialog "$program_window" "$1" || { echo "FAIL: no file dialog"; exit 1; }
}

# Waits up to 10 s for the program to end; fails if it does not.
wait_for_exit() {
  for _ in $(seq 1 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$program_pid" 2>/dev/null; then return 1; fi
  wait "$program_pid" || true
}

# Leaves by File > Exit and waits for the program to end.
exit_program() {
  xdotool windowfocus --sync "$1" key alt+f
  sleep 0.5
  xdotool key x
  wait_for_exit
}

# Finds the drawn waveform overview in the window picture PNG: sets `overview`
# (WxH+X+Y, filled with the inverse of the trace colour once a wave is drawn;
# empty when there is none) and `readout`, the time readout's area, placed
# from the overview's right end (client x 554) and top (client y 0).
find_overview() {
  overview=$(convert "$1" -fill black +opaque "#FFFF80" -trim -format "%wx%h%O" info: 2>/dev/null || true)
  # A picture without the fill trims to a single pixel (or to no offset).
  [[ $overview =~ ^[0-9]{3,}x[0-9]+\+[0-9]+\+[0-9]+$ ]] || { overview=""; readout=""; return 0; }
  local origin=${overview#*+} width=${overview%%x*}
  local x0=$(( ${origin%+*} + width - 554 )) y0=${origin#*+}
  readout="128x49+$(( x0 + 5 ))+$(( y0 + 157 ))"
}

# Whether the pictures A and B differ inside the area WxH+X+Y.
differs() {
  local area=$1 a=$2 b=$3
  [ "$(compare -metric AE "$a[$area]" "$b[$area]" null: 2>&1 || true)" != 0 ]
}

# Saves a picture of the program's window as PATH; fails once the program has
# ended (import would wait for a click in place of a window that is gone).
snap_window() {
  kill -0 "$program_pid" 2>/dev/null && timeout 20 import -window "$program_window" "$1"
}

# Saves a picture of the window as PATH once it shows the drawn overview
# (a busy machine may draw a loaded wave late), waiting up to 10 s; sets
# `overview` and `readout` as find_overview does. Fails once the program has
# ended or when no overview came.
snap_with_overview() {
  for _ in $(seq 1 10); do
    snap_window "$1" || return 1
    find_overview "$1"
    [ -n "$overview" ] && return 0
    sleep 1
  done
  return 1
}

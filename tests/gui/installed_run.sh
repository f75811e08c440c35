#!/usr/bin/env bash
# Installs the build into a scratch prefix in the build folder and checks the
# installed tree: the programs, the picture modules and the help where the
# program looks for them, the desktop entry and the AppStream metadata (both
# validated), and each icon a PNG of its size. Then, with the prefix made
# read-only, the installed earloop-cli checks a WAV, and the installed
# earloop starts with its pictures and opens the WAV named on its command
# line (as the desktop's entry starts it).
# usage: installed_run.sh BIN_DIR BUILD_DIR   (inside an X server)
set -euo pipefail
source "$(dirname "$0")/../../scripts/xdrive.sh"
build=$(realpath "$2")
prefix="$build/install-test"
fail() { echo "FAIL: $*"; exit 1; }

[ ! -d "$prefix" ] || chmod -R u+w "$prefix"
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
id=org.earloop.Earloop
for file in bin/earloop bin/earloop-cli lib/earloop/earlpkbd.so lib/earloop/earlpfft.so \
            share/earloop/earlphlp.html share/earloop/earlphlp/screenshot.png \
            share/applications/$id.desktop share/metainfo/$id.metainfo.xml; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "the desktop entry is refused"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >"$build/install-test.appstream" 2>&1 ||
  { cat "$build/install-test.appstream"; fail "the AppStream metadata is refused"; }
for size in 16 22 24 32 48 64 128 256; do
  icon=share/icons/hicolor/${size}x${size}/apps/$id.png
  [ "$(identify -format '%m %wx%h' "$prefix/$icon" 2>/dev/null)" = "PNG ${size}x${size}" ] || fail "$icon is no ${size}x${size} PNG"
done
# Nothing of the program outside the prefix: a scratch folder, and the
# user's folders inside it. The prefix is writable again at the end, so that
# the build folder can be deleted.
work=$(mktemp -d)
trap 'kill "${program_pid:-}" 2>/dev/null || true; rm -rf "$work"; chmod -R u+w "$prefix"' EXIT
chmod -R a-w "$prefix"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
seconds=3 rate=22050
write_demo_wave "$work/chord.wav" $seconds $rate 2
report=$("$prefix/bin/earloop-cli" check "$work/chord.wav") || fail "earloop-cli check failed: $report"
grep -qx "format: $rate Hz, stereo, 16 bit" <<<"$report" || fail "earloop-cli check said: $report"
grep -qx "data: $((seconds * rate * 4)) bytes" <<<"$report" || fail "earloop-cli check said: $report"

# A name relative to the folder the program starts in.
cd "$work"
start_program "$prefix/bin/earloop" chord.wav || fail "no main window"
# Width of what the window's picture shows in COLOUR (1 when nothing).
width_of() { convert "$work/window.png" -fill black +opaque "$1" -trim -format "%w" info: 2>/dev/null; }
# The inverse of the trace colour fills the overview once the wave named on
# the command line is loaded and drawn.
for _ in $(seq 1 60); do
  sleep 1
  snap_window "$work/window.png" || fail "no picture of the window"
  [ "$(width_of "#FFFF80")" -lt 500 ] || break
done
[ "$(width_of "#FFFF80")" -ge 500 ] || fail "the wave named on the command line was not opened"
# The keyboard's red band comes from a picture module.
[ "$(width_of "#DC0000")" -eq 600 ] || fail "no keyboard picture"
exit_program "$program_window" || fail "the program did not end"
[ -s "$XDG_CONFIG_HOME/earloop/earloop.ini" ] || fail "no settings in the user's config folder"
[ ! -e "$prefix/bin/earloop.ini" ] || fail "settings were written beside the installed program"
echo "ok: installed tree valid; the installed programs run from the read-only prefix"

#!/usr/bin/env bash
# Runs the real program with one picture module taken away: the "Error 901"
# box must appear, the main window must never show, and the program must end
# once the box is answered.
# usage: missing_module_run.sh BIN_DIR MODULE_FILE   (inside an X server)
set -euo pipefail
# No settings daemon runs here; keep the toolkit from looking for one.
export GSETTINGS_BACKEND=memory
bin_dir=$1
module=$2
work=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$bin_dir/earloop" "$bin_dir"/earlp*.so "$work/"
rm "$work/$module"

"$work/earloop" & pid=$!
box=$(timeout 15 xdotool search --sync --onlyvisible --name '^Error 901$' 2>/dev/null | head -n 1 || true)
[ -n "$box" ] || { echo "FAIL: no Error 901 box"; exit 1; }
if xdotool search --onlyvisible --name '^Earloop !$' >/dev/null 2>&1; then
  echo "FAIL: the main window is showing"; exit 1
fi
# Without a window manager the box gets the keyboard only when given the focus.
xdotool windowfocus --sync "$box" key Return
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then echo "FAIL: the program did not end"; exit 1; fi
wait "$pid" || true
echo "ok: $module missing gives Error 901 and the program ends"

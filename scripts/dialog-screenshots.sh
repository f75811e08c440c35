#!/usr/bin/env bash
# Saves PNGs of the recorder's two dialogs, "Varar WAVE Recorder" and
# "Save as ...", as the window tests show them in a private Xvfb server (a
# take being recorded; a take with its name typed). Xvfb runs no window
# manager, so the pictures hold the dialogs' client areas without title bars.
# usage: scripts/dialog-screenshots.sh [OUT_DIR] [GUI_TEST_BINARY]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs}")
tests=${2:-build/test/bin/earloop_gui_tests}
if [ -z "${2:-}" ]; then
  scripts/install-deps.sh
  cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DEARLOOP_SANITIZE=ON >/dev/null
  cmake --build build/test --target earloop_gui_tests
fi
mkdir -p "$out"
EARLOOP_DIALOG_SHOTS=$out GSETTINGS_BACKEND=memory xvfb-run -a -s "-screen 0 1024x768x24" \
  "$tests" --gtest_filter='RecorderWindow.StartTicks*:TakeNameWindow.OkWaits*' >/dev/null
echo "saved $out/recorder.png $out/save-as.png"

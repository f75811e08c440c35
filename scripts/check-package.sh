#!/usr/bin/env bash
# Tries the Debian package on a fresh Debian 12: installs it with apt into a
# new Debian 12 root (debootstrap, kept in a cache folder and copied for each
# try), checks that every library the programs need came with it, then starts
# the program in that root as an ordinary user, with the command line of the
# desktop entry and a generated WAV, in a private Xvfb server of this
# machine. It saves a picture of the screen, checks that the program stays
# up, leaves by File > Exit and says where the settings went.
# usage: scripts/check-package.sh [PACKAGE.deb [OUT_DIR]]   (as root)
#   default: the package scripts/package.sh made; pictures into build/package-check
set -euo pipefail
cd "$(dirname "$0")/.."
package=$(realpath "${1:-$(ls build/release/earloop_*.deb | tail -n 1)}")
out=$(realpath -m "${2:-build/package-check}")
cache=${EARLOOP_DEBIAN_ROOT:-/tmp/earloop-deb12}
[ "$(id -u)" -eq 0 ] || { echo "run as root (debootstrap, chroot)" >&2; exit 1; }
command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap >/dev/null
source scripts/xdrive.sh
fail() { echo "FAIL: $*"; exit 1; }

if [ ! -x "$cache/root/usr/bin/apt-get" ]; then
  rm -rf "$cache/root"
  mkdir -p "$cache"
  debootstrap --variant=minbase bookworm "$cache/root" http://deb.debian.org/debian >"$cache/debootstrap.log"
fi
root="$cache/try"
mounted=()
# Never deletes through a mount that is still there (the machine's /dev).
remove_root() {
  if findmnt -rn -o TARGET | grep -q "^$root/"; then
    echo "left $root in place: something is still mounted there" >&2
    return 1
  fi
  rm -rf "$root"
}
cleanup() {
  kill "${program_pid:-}" 2>/dev/null || true
  kill "${xvfb_pid:-}" 2>/dev/null || true
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount "${mounted[$i]}" || umount -l "${mounted[$i]}" || true; done
  remove_root
}
remove_root
trap cleanup EXIT
cp -a "$cache/root" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount_into() { mkdir -p "$root/$2"; mount "${@:3}" "$1" "$root/$2"; mounted+=("$root/$2"); }
mount_into proc proc -t proc
mount_into /dev dev --bind
mount_into /dev/pts dev/pts --bind
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
# Runs a shell command line as the user, in the user's home folder; called
# only in a subshell (in the background, or for its output), which becomes
# the program, so that its process id is the program's.
as_learner() {
  exec chroot --userspec=learner:learner "$root" env -i HOME=/home/learner PATH=/usr/bin:/bin LANG=C.UTF-8 \
    DISPLAY="${DISPLAY:-}" sh -c "cd && exec $1"
}

cp "$package" "$root/tmp/"
in_root apt-get update -qq
in_root apt-get install -y -qq "/tmp/$(basename "$package")" >"$cache/apt.log" || { tail -n 30 "$cache/apt.log"; fail "apt install"; }
echo "installed: $(in_root dpkg-query -W -f='${Package} ${Version}' earloop)"
echo "depends: $(in_root dpkg-query -W -f='${Depends}' earloop)"
for program in /usr/bin/earloop /usr/bin/earloop-cli /usr/lib/earloop/earlpkbd.so; do
  missing=$(in_root ldd "$program" | grep 'not found' || true)
  [ -z "$missing" ] || fail "$program lacks $missing"
done

# An ordinary user, so the installed folders are read-only to the program.
in_root useradd --create-home learner
write_demo_wave "$root/home/learner/chord.wav" 4
report=$(as_learner "earloop-cli check chord.wav") || fail "earloop-cli: $report"
echo "earloop-cli check: $(tr '\n' ' ' <<<"$report")"

# The X server runs here; its socket is shown to the root.
display=99
while [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
mount_into /tmp/.X11-unix tmp/.X11-unix --bind
export DISPLAY=":$display"

exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/org.earloop.Earloop.desktop")
command=${exec_line//%f/chord.wav}
echo "starting: $command"
start_program as_learner "$command" || fail "no main window"
sleep 3
mkdir -p "$out"
import -window root "$out/debian12.png"
echo "saved $out/debian12.png"
find_overview "$out/debian12.png"
[ -n "$overview" ] || fail "the wave was not opened"
sleep 5
kill -0 "$program_pid" 2>/dev/null || fail "the program did not stay up"
exit_program "$program_window" || fail "the program did not end"
settings=$(cd "$root" && find home usr tmp root -name earloop.ini 2>/dev/null | sed 's|^|/|' || true)
echo "settings file after exit: ${settings:-none}"
echo "ok: the package installs on Debian 12 and the program starts, stays up and ends"

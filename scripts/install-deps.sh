#!/usr/bin/env bash
# Installs the Debian packages Earloop needs to build, run and test, using
# sudo when not root. Does nothing when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libwxgtk3.2-dev libgtk-3-dev libx11-dev
  portaudio19-dev libsoxr-dev libflac-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev ffmpeg
  libfluidsynth-dev timgm6mb-soundfont librtmidi-dev
  fonts-dejavu-core fonts-ipafont-gothic
  libgtest-dev
  xvfb xauth xdotool imagemagick python3
  dbus-daemon at-spi2-core python3-pyatspi
  zlib1g-dev desktop-file-utils appstream file
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs, only when missing, every Debian package the project needs to build,
# run and test. Needs root (or sudo) the first time.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libavformat-dev libavcodec-dev libavutil-dev libavfilter-dev libswscale-dev libswresample-dev
  libmediainfo-dev libsdl1.2-dev libopencore-amrnb-dev libx11-dev
  googletest libgtest-dev
  ffmpeg xvfb xauth xdotool x11-utils dvdauthor
  librsvg2-bin desktop-file-utils appstream dbus man-db dpkg-dev
  # The tests' players: a browser for the MP4s (its page served by python3),
  # GStreamer for HEVC, which Debian's Chromium does not play.
  chromium python3 gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs, only when missing, every Debian package the project needs to build,
# run, test and package, on a bare Debian 12 (a minbase root has none of
# them), then checks with check-deps.sh that every command the scripts and
# tests call is covered. Needs root (or sudo) the first time.
# `deps.sh --list` prints the package list, one a line.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkgconf binutils
  qt6-base-dev qt6-qpa-plugins libqt6svg6 libgl-dev
  libavformat-dev libavcodec-dev libavutil-dev libavfilter-dev libswscale-dev libswresample-dev
  libmediainfo-dev libsdl1.2-dev libopencore-amrnb-dev libx11-dev
  googletest libgtest-dev
  ffmpeg xvfb xauth xdotool x11-utils dvdauthor
  librsvg2-bin desktop-file-utils appstream dbus-daemon man-db
  dpkg-dev file lintian
  # The tests' players: a browser for the MP4s (its page served by Debian's
  # python3, which owns /usr/bin/python3 through python3-minimal),
  # GStreamer for HEVC, which Debian's Chromium does not play.
  chromium python3 python3-minimal gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
)

if [ "${1:-}" = --list ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
exec "$(dirname "$0")/check-deps.sh"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes doc/screenshot.png: the real window under Xvfb, mid-conversion of a
# three-file batch, with the preview showing. Usage: scripts/screenshot.sh [OUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-doc/screenshot.png}"
./scripts/deps.sh
./scripts/build.sh normal >/dev/null
work=$(mktemp -d)
cleanup() { [ -n "${app:-}" ] && kill "$app" 2>/dev/null; [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

for n in $(seq 140 160); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
export DISPLAY=":$n"

# Camcorder-like clips, and settings with the preview on and a folder of ours.
for name in "Harbour 00001.MTS" "Harbour 00002.MTS" "Birthday.M2TS"; do
  ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc2=size=1920x1080:rate=30000/1001" \
    -f lavfi -i sine=frequency=440:sample_rate=48000 -t 20 -ac 2 -c:v libx264 -preset ultrafast \
    -pix_fmt yuv420p -c:a ac3 -f mpegts -mpegts_m2ts_mode 1 "$work/$name"
done
# Its own config, state and runtime folders: the user's list and a running
# window are left alone.
mkdir -p "$work/config/Clipmill" "$work/out" "$work/state" "$work/run"
chmod 700 "$work/run"
printf '[general]\nfirstlaunch=1\njobs=1\n\n[output]\npath=%s\nsavemode=1\npreview=1\npreset=DVD Pal\nformat=MPG2\nsize=720x576\nfps=25\n' \
  "$work/out" > "$work/config/Clipmill/Config.ini"
XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb \
  ./build/app/clipmill "$work"/*.MTS "$work"/*.M2TS &
app=$!

window=""
for _ in $(seq 100); do
  window=$(xdotool search --name "Clipmill V1.6" 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the window did not appear"; exit 1; }
sleep 1
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool key --window "$window" Return
sleep 4
eval "$(xdotool getwindowgeometry --shell "$window")"
ffmpeg -nostdin -loglevel error -y -f x11grab -video_size 1024x768 -i "$DISPLAY" -frames:v 1 \
  -vf "crop=${WIDTH}:${HEIGHT}:${X}:${Y}" "$out"
echo "$out"

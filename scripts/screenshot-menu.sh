#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes doc/screenshot-list.png: the real window under Xvfb, grown to
# 1100x760 through the kept window size, after a short batch, with the list's
# context menu open on a converted row. Usage: scripts/screenshot-menu.sh [OUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-doc/screenshot-list.png}"
./scripts/deps.sh
./scripts/build.sh normal >/dev/null
work=$(mktemp -d)
cleanup() { [ -n "${app:-}" ] && kill "$app" 2>/dev/null; [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

for n in $(seq 140 160); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
export DISPLAY=":$n"

# A recording the camcorder spanned over three files (cut at packet
# boundaries, as a camcorder cuts), and a clip of its own; config, state and
# runtime folders of its own, so the user's list and a running window are
# left alone.
mkdir -p "$work/card" "$work/out" "$work/config/Clipmill" "$work/state" "$work/run"
chmod 700 "$work/run"
camcorder_clip() {
  ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc2=size=1920x1080:rate=30000/1001" \
    -f lavfi -i sine=frequency="$2":sample_rate=48000 -t "$3" -ac 2 -c:v libx264 -preset ultrafast -g 15 \
    -pix_fmt yuv420p -c:a ac3 -f mpegts -mpegts_m2ts_mode 1 "$1"
}
camcorder_clip "$work/whole.mts" 440 9
packets=$(( $(stat -c %s "$work/whole.mts") / 192 ))
third=$(( packets / 3 ))
dd if="$work/whole.mts" of="$work/card/00000.MTS" bs=192 count=$third status=none
dd if="$work/whole.mts" of="$work/card/00001.MTS" bs=192 skip=$third count=$third status=none
dd if="$work/whole.mts" of="$work/card/00002.MTS" bs=192 skip=$(( 2 * third )) status=none
camcorder_clip "$work/card/Birthday.M2TS" 660 4

printf '[general]\nfirstlaunch=1\njobs=1\nwindowsize=1100x760\n\n[output]\npath=%s\nsavemode=1\npreview=1\npreset=DVD Pal\nformat=MPG2\nsize=720x576\nfps=25\n' \
  "$work/out" > "$work/config/Clipmill/Config.ini"
XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb \
  ./build/app/clipmill "$work/card" &
app=$!

window=""
for _ in $(seq 100); do
  window=$(xdotool search --name "Clipmill V1.6" 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the window did not appear"; exit 1; }
sleep 3  # the card is read and probed
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool key --window "$window" Return
for _ in $(seq 600); do
  [ "$(find "$work/out" -name '*.mpg' | wc -l)" -ge 2 ] && break
  sleep 0.5
done
sleep 3  # the last file is closed and its row shows "100 %"

# The context menu of the top row, opened where a user would right-click.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --window "$window" 90 75 click 3
sleep 1
ffmpeg -nostdin -loglevel error -y -f x11grab -video_size 1280x1024 -i "$DISPLAY" -frames:v 1 \
  -vf "crop=${WIDTH}:${HEIGHT}:${X}:${Y}" "$out"
echo "$out"

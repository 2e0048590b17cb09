#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes doc/screenshot-list.png: the real window under Xvfb, grown to
# 1100x760 through the kept window size, after a short batch, with the list's
# context menu open on a converted row. Usage: scripts/screenshot-menu.sh [OUT.png]
out="${1:-}"
[ -z "$out" ] || [[ "$out" = /* ]] || out="$PWD/$out"
source "$(dirname "$0")/window-pictures.sh"
out="${out:-doc/screenshot-list.png}"

# A recording the camcorder spanned over three files (cut at packet
# boundaries, as a camcorder cuts), and a clip of its own.
mkdir -p "$work/card"
make_clip "$work/whole.mts" 9 440 -g 15
packets=$(( $(stat -c %s "$work/whole.mts") / 192 ))
third=$(( packets / 3 ))
dd if="$work/whole.mts" of="$work/card/00000.MTS" bs=192 count=$third status=none
dd if="$work/whole.mts" of="$work/card/00001.MTS" bs=192 skip=$third count=$third status=none
dd if="$work/whole.mts" of="$work/card/00002.MTS" bs=192 skip=$(( 2 * third )) status=none
make_clip "$work/card/Birthday.M2TS" 4 660 -g 15

start_window 1280x1024 \
  "$(printf '[general]\nfirstlaunch=1\njobs=1\nwindowsize=1100x760\n\n[output]\npath=%s\nsavemode=1\npreview=1\npreset=DVD Pal\nformat=MPG2\nsize=720x576\nfps=25\n' "$work/out")" \
  "$work/card"
sleep 3  # the card is read and probed
press_convert
for _ in $(seq 600); do
  [ "$(find "$work/out" -name '*.mpg' | wc -l)" -ge 2 ] && break
  sleep 0.5
done
sleep 3  # the last file is closed and its row shows "100 %"

# The context menu of the top row, opened where a user would right-click.
xdotool mousemove --window "$window" 90 75 click 3
sleep 1
grab "$out"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes doc/screenshot.png: the real window under Xvfb, mid-conversion of a
# three-file batch, with the preview showing. Usage: scripts/screenshot.sh [OUT.png]
out="${1:-}"
[ -z "$out" ] || [[ "$out" = /* ]] || out="$PWD/$out"
source "$(dirname "$0")/window-pictures.sh"
out="${out:-doc/screenshot.png}"

# Camcorder-like clips, and settings with the preview on and a folder of ours.
for name in "Harbour 00001.MTS" "Harbour 00002.MTS" "Birthday.M2TS"; do make_clip "$work/$name" 20; done
start_window 1024x768 \
  "$(printf '[general]\nfirstlaunch=1\njobs=1\n\n[output]\npath=%s\nsavemode=1\npreview=1\npreset=DVD Pal\nformat=MPG2\nsize=720x576\nfps=25\n' "$work/out")" \
  "$work"/*.MTS "$work"/*.M2TS
sleep 1
press_convert
sleep 4
grab "$out"

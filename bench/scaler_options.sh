#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Weighs other scalers against the one the engine uses (swscale bicubic) in
# the three largest scalings of the presets: 1080 lines to 720x576 and to
# 1280x720, and one 540-line field to 560x304. For each: the CPU time of
# scaling 100 pictures on one thread (best of three, the reading included),
# and the SSIM against a careful lanczos scaling of the same pictures. A
# scaler would be taken only if it were faster and no more than 0.1 dB
# further from that reference.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ffmpeg -nostdin -v error -f lavfi -i testsrc2=s=1920x1080:r=50,format=yuv420p -t 2 -c:v rawvideo -f nut "$work/frames.nut"
ffmpeg -nostdin -v error -i "$work/frames.nut" -vf field=top -c:v rawvideo -f nut "$work/field.nut"
cpu() {
  local best=999 t
  for _ in 1 2 3; do
    t=$( { /usr/bin/time -f '%U' ffmpeg -nostdin -v error -threads 1 -i "$1" -vf "$2" -f null - ; } 2>&1 | tail -1)
    best=$(awk -v a="$best" -v b="$t" 'BEGIN { print (b < a ? b : a) }')
  done
  echo "$best"
}
printf '%-10s %-8s %-26s %8s %10s\n' source size scaler "cpu s" "SSIM dB"
for item in "frames 720 576" "frames 1280 720" "field 560 304"; do
  set -- $item
  for scaler in "scale=$2:$3:flags=bicubic" "scale=$2:$3:flags=bilinear" "scale=$2:$3:flags=area" \
                "zscale=w=$2:h=$3:filter=bicubic"; do
    ssim=$(ffmpeg -nostdin -i "$work/$1.nut" -i "$work/$1.nut" -lavfi \
      "[0:v]$scaler,format=yuv420p[a];[1:v]scale=$2:$3:flags=lanczos+accurate_rnd+full_chroma_int,format=yuv420p[b];[a][b]ssim" \
      -f null - 2>&1 | sed -n 's/.*All:[0-9.]* (\([0-9.]*\)).*/\1/p')
    printf '%-10s %-8s %-26s %8s %10s\n' "$1" "$2x$3" "$(echo "$scaler" | sed "s/=.*flags=/:/; s/=w=.*filter=/:/")" "$(cpu "$work/$1.nut" "$scaler")" "$ssim"
  done
done

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Converts one fixed clip with every designed preset and prints the md5 of
# each output: two runs of the same build give the same list, and a change that
# must not alter any output is checked by comparing the lists.
# Usage: bench/preset_md5.sh [BUILD_DIR [TOOL_OPTION...]]; the options go to
# every conversion (--no-deinterlace --no-recording-date: the camcorder
# choices off, for comparing with a build that did not have them).
# The lists of the current outputs are kept beside this script:
#   bench/preset_md5.sh build | diff bench/preset-md5-default.txt -
#   bench/preset_md5.sh build --no-deinterlace --no-join --no-recording-date | diff bench/preset-md5-nodeint.txt -
# A change that alters outputs on purpose renews them in a commit of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
shift $(( $# > 0 ? 1 : 0 ))
tool="$build/batch/clipmill-convert"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The clip is made once per build folder and kept, so that lists made at
# different times compare the converter alone.
clip="$build/preset-md5-clip.m2ts"
[ -f "$clip" ] || ffmpeg -nostdin -loglevel error -f lavfi -i testsrc2=size=1920x1080:rate=30000/1001 \
  -f lavfi -i sine=frequency=440:sample_rate=48000 -t 3 -ac 2 \
  -c:v libx264 -preset ultrafast -pix_fmt yuv420p -flags +ildct+ilme -x264opts tff=1 \
  -b:v 8M -c:a ac3 -b:a 192k -f mpegts -mpegts_m2ts_mode 1 -fflags +bitexact "$clip"
# The thirteen designed presets, whose bytes no change may alter; the later
# ones encode with x264 and x265, whose output follows the core count.
"$tool" --list-presets 2>/dev/null | head -n 13 | while IFS= read -r preset; do
  out="$work/$(echo "$preset" | tr -c 'A-Za-z0-9\n' '_')"
  mkdir -p "$out"
  "$tool" --preset "$preset" "$@" "$clip" "$out" >/dev/null 2>&1 || echo "$preset: failed"
  for f in "$out"/*; do printf '%s  %s\n' "$(md5sum < "$f" | cut -d' ' -f1)" "$preset"; done
done

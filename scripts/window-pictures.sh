# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts that make the README's pictures: the program built,
# an Xvfb of its own, and the real window run in config, state and runtime
# folders of its own (the user's list and a running window are left alone).
# Gives: $work (removed at exit), make_clip, start_window, wait_window, grab.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
./scripts/deps.sh
./scripts/build.sh normal >/dev/null
work=$(mktemp -d)
# The window ends as at a logout (it saves its list first), then the folders go.
cleanup() {
  if [ -n "${app:-}" ]; then kill "$app" 2>/dev/null; wait "$app" 2>/dev/null || true; fi
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/config/Clipmill" "$work/out" "$work/state" "$work/run"
chmod 700 "$work/run"

# make_clip FILE SECONDS [TONE_HZ [FFMPEG_OPTION...]]: a camcorder-like
# 1080i-sized H.264 + AC-3 clip in 192-byte transport packets.
make_clip() {
  local file=$1 seconds=$2 tone=${3:-440}
  shift $(( $# > 3 ? 3 : $# ))
  ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc2=size=1920x1080:rate=30000/1001" \
    -f lavfi -i sine=frequency="$tone":sample_rate=48000 -t "$seconds" -ac 2 -c:v libx264 -preset ultrafast \
    "$@" -pix_fmt yuv420p -c:a ac3 -f mpegts -mpegts_m2ts_mode 1 "$file"
}

# start_window SCREEN CONFIG_INI_TEXT ARG...: an Xvfb of SCREEN (1024x768),
# then the window with that Config.ini and the arguments; sets $window.
start_window() {
  local screen=$1 config=$2
  shift 2
  for n in $(seq 140 160); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
  Xvfb ":$n" -screen 0 "${screen}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  export DISPLAY=":$n"
  grab_size=$screen
  printf '%s' "$config" > "$work/config/Clipmill/Config.ini"
  XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb \
    ./build/app/clipmill "$@" &
  app=$!
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --name "Clipmill V1.6" 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "the window did not appear"; exit 1; }
}

# press_convert: Convert! through its button's default key.
press_convert() {
  xdotool windowactivate --sync "$window" 2>/dev/null || true
  xdotool key --window "$window" Return
}

# grab OUT: the window as it shows now, into OUT.
grab() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  ffmpeg -nostdin -loglevel error -y -f x11grab -video_size "$grab_size" -i "$DISPLAY" -frames:v 1 \
    -vf "crop=${WIDTH}:${HEIGHT}:${X}:${Y}" "$1"
  echo "$1"
}

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that every command the scripts and tests call comes from a package
# that scripts/deps.sh installs (or from an Essential package, which every
# Debian system has), so that a command which only happens to be on this
# machine is caught here and not on a new user's. Add a command to the list
# below when a script or test starts calling it.
set -euo pipefail
cd "$(dirname "$0")/.."

commands=(
  cmake ctest cpack ninja g++ pkg-config strip
  ffmpeg ffprobe dvdauthor
  Xvfb xdotool xprop dbus-daemon
  file dpkg-shlibdeps dpkg-deb lintian
  rsvg-convert gzip desktop-file-validate appstreamcli man
  script md5sum
  chromium /usr/bin/python3 gst-launch-1.0
)

mapfile -t listed < <(./scripts/deps.sh --list)
is_listed() {
  local p
  for p in "${listed[@]}"; do [ "$p" = "$1" ] && return 0; done
  return 1
}

# The paths under which dpkg may know each command: as found on PATH and as
# resolved through links, each also with /usr added or taken away (on a
# merged-/usr system dpkg knows /bin/gzip, PATH finds /usr/bin/gzip).
declare -A candidates
queries=()
failed=0
for c in "${commands[@]}"; do
  if ! found=$(command -v "$c"); then
    echo "check-deps: '$c' is not installed"; failed=1; continue
  fi
  list=()
  for p in "$found" "$(readlink -f "$found")"; do
    case "$p" in /usr/*) list+=("$p" "${p#/usr}") ;; *) list+=("$p" "/usr$p") ;; esac
  done
  candidates[$c]="${list[*]}"
  queries+=("${list[@]}")
done

# One query for all paths: dpkg reads its file lists once. Lines read
# "pkg[:arch][, pkg...]: /path"; paths no package owns are left out.
declare -A owners
while IFS= read -r line; do
  case "$line" in "diversion by "*) continue ;; esac
  owners[${line#*: }]=$(echo "${line%%: *}" | sed 's/:[a-z0-9]*//g; s/,/ /g')
done < <(dpkg-query -S "${queries[@]}" 2>/dev/null || true)

for c in "${commands[@]}"; do
  [ -n "${candidates[$c]:-}" ] || continue
  packages=""
  for p in ${candidates[$c]}; do
    if [ -n "${owners[$p]:-}" ]; then packages=${owners[$p]}; break; fi
  done
  if [ -z "$packages" ]; then
    echo "check-deps: '$c' ($(command -v "$c")) comes from no Debian package"; failed=1; continue
  fi
  ok=0
  for pkg in $packages; do
    if is_listed "$pkg" || [ "$(dpkg-query -W -f='${Essential}' "$pkg" 2>/dev/null)" = yes ]; then ok=1; fi
  done
  if [ $ok -eq 0 ]; then
    echo "check-deps: '$c' comes from package '$packages', which scripts/deps.sh does not install"; failed=1
  fi
done
[ $failed -eq 0 ] && echo "check-deps: the packages of all ${#commands[@]} commands are in scripts/deps.sh"
exit $failed

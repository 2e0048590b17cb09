#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs every test twice: in the normal
# build and under AddressSanitizer + UndefinedBehaviorSanitizer; then the
# engine and batch tests and the window's batch tests a third time under
# ThreadSanitizer. Widget tests use Qt's offscreen platform; tests that need
# X use the Xvfb started here.
set -uo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh || exit 1

xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; }
trap cleanup EXIT
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    export CLIPMILL_TEST_DISPLAY=":$n"
    break
  fi
done

status=0
for kind in normal sanitize tsan; do
  case "$kind" in
    sanitize) dirs=(build-asan) ;;
    tsan) dirs=(build-tsan/engine build-tsan/batch build-tsan/app) ;;
    *) dirs=(build) ;;
  esac
  echo "=== $kind build"
  if ! ./scripts/build.sh "$kind"; then
    echo "=== $kind build failed"; status=1; continue
  fi
  echo "=== $kind tests"
  for dir in "${dirs[@]}"; do
    # Of the window's tests, those where its threads meet (the thousand
    # files only load the list).
    filter=()
    [ "$dir" = build-tsan/app ] && filter=(-R '^(BatchWindow|PreviewCountdown|FileList)\.' -E 'AThousandFiles')
    if ! ctest --test-dir "$dir" -j "$(nproc)" --output-on-failure "${filter[@]}"; then
      echo "=== $kind tests failed ($dir)"; status=1
    fi
  done
done
exit $status

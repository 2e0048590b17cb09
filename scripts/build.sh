#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds incrementally into a fixed folder. Usage: build.sh [normal|sanitize|tsan]
# The ThreadSanitizer build holds the engine, batch and window tests and the
# tool they run.
set -euo pipefail
cd "$(dirname "$0")/.."
kind="${1:-normal}"
targets=()
case "$kind" in
  sanitize) dir=build-asan; flags=(-DCLIPMILL_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  tsan) dir=build-tsan; flags=(-DCLIPMILL_TSAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo)
        targets=(--target engine_tests batch_tests app_tests clipmill-convert) ;;
  *) dir=build; flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
esac
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "${flags[@]}"
fi
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"

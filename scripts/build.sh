#!/usr/bin/env bash
# Builds incrementally into a fixed folder. Usage: build.sh [normal|sanitize]
set -euo pipefail
cd "$(dirname "$0")/.."
kind="${1:-normal}"
if [ "$kind" = sanitize ]; then
  dir=build-asan
  flags=(-DCLIPMILL_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo)
else
  dir=build
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "${flags[@]}"
fi
cmake --build "$dir" -j "$(nproc)"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package: the normal build, then CPack with the
# dependencies dpkg-shlibdeps finds. The .deb lands in build/package/.
# Install it with: apt install ./build/package/clipmill_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/build.sh normal
rm -rf build/package
cpack -G DEB --config build/CPackConfig.cmake -B build/package
ls build/package/*.deb

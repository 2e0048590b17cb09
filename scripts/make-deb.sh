#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package: an optimised build of the two programs and the
# desktop files only (no tests) in build-release/, with the compiler and
# linker flags Debian builds its packages with; CPack strips the programs,
# adds the dependencies dpkg-shlibdeps finds, and lintian checks the result.
# The .deb lands in build-release/package/. Install it with:
#   apt install ./build-release/package/clipmill_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
dir=build-release
if [ ! -f "$dir/build.ninja" ]; then
  # Hardening on; no debug information, since the programs are stripped;
  # -O2 from these flags, as Debian builds its packages, in place of the
  # Release type's -O3. CMake does not read CPPFLAGS, so they go in front
  # of the compiler flags. CPack is kept from building the tests first.
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CFLAGS_MAINT_STRIP=-g DEB_CXXFLAGS_MAINT_STRIP=-g
  cppflags=$(dpkg-buildflags --get CPPFLAGS)
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
    -DCMAKE_C_FLAGS="$cppflags $(dpkg-buildflags --get CFLAGS)" \
    -DCMAKE_CXX_FLAGS="$cppflags $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
fi
cmake --build "$dir" -j "$(nproc)" --target clipmill clipmill-convert desktop_files
rm -rf "$dir/package"
cpack -G DEB --config "$dir/CPackConfig.cmake" -B "$dir/package"
deb=$(ls "$dir"/package/clipmill_*.deb)
lintian --fail-on error,warning "$deb"
echo "$deb"

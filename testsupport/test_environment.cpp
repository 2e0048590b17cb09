// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into every test program: fills in the environment the tests read
// (when ctest or the caller did not set it) and the sanitizer options.
#include <cstdlib>

namespace {

const bool environment_ready = [] {
  ::setenv("CLIPMILL_SOURCE_DIR", CLIPMILL_DEFAULT_SOURCE_DIR, 0);
  ::setenv("CLIPMILL_MEDIA_CACHE", CLIPMILL_DEFAULT_MEDIA_CACHE, 0);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  return true;
}();

}  // namespace

// Leaks inside system libraries the program cannot free (fontconfig, X11,
// SDL, Qt's own caches, x265's encoder, ...); read by LeakSanitizer when it
// is linked in.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\nleak:libX11\nleak:libxcb\nleak:libSDL\nleak:libdbus\n"
         "leak:libglib\nleak:libgobject\nleak:libQt6\nleak:libmediainfo\nleak:libzen\n"
         "leak:libEGL\nleak:libGLX\nleak:libasound\nleak:libpulse\nleak:libx265\n";
}

extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }


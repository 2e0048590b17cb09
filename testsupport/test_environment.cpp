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
// SDL, Qt's own caches, ...); read by LeakSanitizer when it is linked in.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\nleak:libX11\nleak:libxcb\nleak:libSDL\nleak:libdbus\n"
         "leak:libglib\nleak:libgobject\nleak:libQt6\nleak:libmediainfo\nleak:libzen\n"
         "leak:libEGL\nleak:libGLX\nleak:libasound\nleak:libpulse\n";
}

extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

// A race ends the test at once, with both stacks.
extern "C" const char* __tsan_default_options() { return "halt_on_error=1:second_deadlock_stack=1"; }

// The FFmpeg libraries are not built for ThreadSanitizer: their own frame
// and slice threads hand work over through atomics it cannot see, so races
// it reports inside them are theirs to prove, not ours. Races between the
// program's own threads are still reported.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libavcodec.so\ncalled_from_lib:libavutil.so\ncalled_from_lib:libswscale.so\n"
         "called_from_lib:libswresample.so\ncalled_from_lib:libavformat.so\n"
         "race:libavcodec.so\nrace:libavutil.so\nrace:libswscale.so\nrace:libswresample.so\n"
         "race:libavformat.so\n";
}

// SPDX-License-Identifier: GPL-3.0-or-later
// ThreadSanitizer's options, linked into every test program and, in the
// ThreadSanitizer build, into clipmill-convert, which the tests run.

// A race ends the test at once, with both stacks.
extern "C" const char* __tsan_default_options() { return "halt_on_error=1:second_deadlock_stack=1"; }

// The FFmpeg libraries and the x264 and x265 encoders under them are not
// built for ThreadSanitizer: their own frame, slice and row threads
// (libavfilter's too) hand work over through atomics it cannot see, so
// races it reports inside them are theirs to prove, not ours. MediaInfo,
// called under the program's own lock, is left alone as well: watched call
// by call it runs so slowly that jobs meant to overlap no longer do. Qt's
// own threads (its thread pool, the file dialog's file gatherer, the D-Bus
// connection) and the GLib loop under them share their
// memory through locks of their own that are not instrumented: the library
// calls they make themselves (memory, copies, condition variables) are not
// watched. Races between the program's own threads are still reported, and
// so are the program's own accesses to what Qt hands it.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libavcodec.so\ncalled_from_lib:libavutil.so\ncalled_from_lib:libswscale.so\n"
         "called_from_lib:libswresample.so\ncalled_from_lib:libavformat.so\ncalled_from_lib:libavfilter.so\n"
         "called_from_lib:libx264.so\ncalled_from_lib:libx265.so\n"
         "called_from_lib:libmediainfo.so\ncalled_from_lib:libzen.so\n"
         "called_from_lib:libQt6Core.so\ncalled_from_lib:libQt6Gui.so\ncalled_from_lib:libQt6Widgets.so\n"
         "called_from_lib:libQt6DBus.so\ncalled_from_lib:libglib-2.0.so\n"
         "race:libavcodec.so\nrace:libavutil.so\nrace:libswscale.so\nrace:libswresample.so\n"
         "race:libavformat.so\nrace:libavfilter.so\nmutex:libavfilter.so\nrace:libx264.so\nrace:libx265.so\n";
}

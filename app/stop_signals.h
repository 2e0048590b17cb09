// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's answer to being told to stop from outside: SIGTERM, SIGHUP
// (the session ending) and SIGINT act as Cancel followed by closing, so the
// file being converted ends properly and the list and choices are kept. A
// second such signal ends the program at once, as its sender asked.

namespace app {

class MainWindow;

// Call once, on the UI thread, after the window exists. The signals are
// taken from the handlers set up for the engine; a notifier on the UI
// thread acts on them.
void close_on_stop_signals(MainWindow& window);

}  // namespace app

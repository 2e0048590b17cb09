// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A converting program's signals, set up once at its start. The first
// interrupt or termination signal during a conversion lets the files in
// progress end properly (their read loops see termination_signal() and
// write the trailers), after which the program ends with that signal. A
// second signal, or one arriving while no conversion runs, ends the program
// at once.

#include <atomic>

namespace engine {

// Call once in main, before any thread starts: installs the handler for
// SIGINT and SIGTERM, ignores SIGXFSZ (a write past the account's file-size
// limit then fails with EFBIG, which fails that job alone, instead of ending
// the process), and sets the libraries' log level: their errors and
// information, or nothing at all when `quiet`.
void set_up_process(bool quiet);
// Counts a conversion as running.
void begin_conversion_signals();
// Counts the conversion as ended. When a signal arrived during it and no
// other conversion runs, the default action of that signal is restored and
// the signal raised again, so the program ends as the sender asked.
void end_conversion_signals();
// Signal number stored by the handler; 0 while none came. Process-wide: a
// signal is for every running job.
const std::atomic<int>& termination_signal();

}  // namespace engine

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Interrupt and termination signals during a conversion: the first signal
// lets the files in progress end properly (their read loops see
// termination_signal() and write the trailers), after which the program
// ends with that signal. A second signal, or one arriving while no conversion
// runs, ends the program at once.

#include <atomic>

namespace engine {

// Installs the handler for SIGINT and SIGTERM and counts a conversion as
// running.
void install_termination_handlers();
// Counts the conversion as ended. When a signal arrived during it and no
// other conversion runs, the default action of that signal is restored and
// the signal raised again, so the program ends as the sender asked.
void end_conversion_signals();
// Signal number stored by the handler; 0 while none came. Process-wide: a
// signal is for every running job.
const std::atomic<int>& termination_signal();

}  // namespace engine

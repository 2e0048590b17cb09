#pragma once
// Interrupt and termination signals during a conversion: the first signal
// lets the file in progress end properly (the read loop sees
// `termination_signalled` and writes the trailer), after which the program
// ends with that signal. A second signal, or one arriving while no conversion
// runs, ends the program at once.

namespace engine {

// Installs the handler for SIGINT and SIGTERM and marks a conversion as
// running.
void install_termination_handlers();
// Marks the conversion as ended. When a signal arrived during it, the
// default action of that signal is restored and the signal raised again, so
// the program ends as the sender asked.
void end_conversion_signals();

}  // namespace engine

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The batch worker thread that "Convert!" starts (batch_commands.cpp).

namespace app {

// Whether a batch worker is still running. "Convert!" starts no second batch
// while one runs: both would work through the one list.
bool batch_running();
// Cancel: the running file ends properly and no further row starts.
void cancel_batch();

// Called when the window has closed: a conversion still running is asked to
// stop, which finishes its output file properly (trailer written), and the
// caller waits for that, up to `limit_ms`, while the UI thread goes on
// serving the worker's control updates. A file cut off by the process ending
// would be left unplayable and look like a result.
void finish_batch_before_exit(int limit_ms);

}  // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The batch worker: converts every ticked row of the input list, from the
// top down, one file at a time, with a progress monitor beside each job.

#include "batch/batch_window.h"
#include "engine/job.h"

namespace batch {

// Thread body started by "Convert!" (which clears batch_stop_requested and
// sets conversion_running first). Reads the row count once; checks
// batch_stop_requested before every row; takes fresh settings per row.
// Returns 0 when the batch ends.
int run_batch(BatchWindow& window);
// The same over a job record kept from batch to batch: a row whose format
// the table does not know keeps the codec choices of the row before.
int run_batch(BatchWindow& window, engine::JobSpec& spec);

}  // namespace batch

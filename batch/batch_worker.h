#pragma once
// The batch worker: converts every ticked row of the input list, from the
// top down, one file at a time, with a progress monitor beside each job.

#include "batch/batch_window.h"

namespace batch {

// Thread body started by "Convert!" (which clears batch_stop_requested and
// sets conversion_running first). Reads the row count once; checks
// batch_stop_requested before every row; takes fresh settings per row.
// Returns 0 when the batch ends.
int run_batch(BatchWindow& window);

}  // namespace batch

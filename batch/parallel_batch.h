// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A batch with several files at once: `jobs` workers take ticked rows from
// the top, each converting one file at a time, while one monitor shows
// every running row's percent, the whole batch's progress in bytes and the
// total pictures per second.

#include "batch/batch_window.h"
#include "engine/job.h"

namespace batch {

// The worker's body for jobs > 1; `spec` is the record each worker starts
// from. Returns 0 when the batch ends.
int run_parallel_batch(BatchWindow& window, const engine::JobSpec& spec, int jobs);

}  // namespace batch

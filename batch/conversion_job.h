// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The conversion job as the batch runs it: the engine's convert() with the
// job clock and running flag around it, the window's display hooks, the
// Cancel flag and preview switch of the window, and the shared counters the
// progress monitor reads.

#include "engine/job.h"

namespace batch {

using engine::JobOutcome;
using engine::JobResult;
using engine::kJobCancelled;
using engine::kJobCodecFailed;
using engine::kJobHeaderFailed;
using engine::kJobNoInput;
using engine::kJobNoOutput;
using engine::kJobRan;
using engine::kJobSourceFailed;
using engine::kJobWriteFailed;
using engine::succeeded;

// The settings the window's jobs hand from one to the next, for the life of
// the process.
engine::CarryOver& window_carry_over();

// The hooks every job of the window gets: the display hooks, the Cancel
// flag, the preview switch and countdown. Counters and carry-over are left
// to the caller.
engine::JobHooks window_job_hooks();

// Converts spec.input_path into spec.output_path. Hooks left empty are
// filled as window_job_hooks() does, the counters from progress(), the
// carry-over from window_carry_over().
JobOutcome convert_file(const engine::JobSpec& spec, engine::JobHooks hooks = {});

}  // namespace batch

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

// Converts spec.input_path into spec.output_path. Hooks left empty are
// filled from the window's display hooks, progress() and window_carry_over().
JobOutcome convert_file(const engine::JobSpec& spec, engine::JobHooks hooks = {});

}  // namespace batch

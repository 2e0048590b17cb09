// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The first steps of the transcode setup, separate so that their results
// (stream pairing, conversion work, buffer size) can be looked at before the
// codecs open.

#include "engine/state.h"

namespace engine {

// Steps 1 to 3: input and output tables, each output stream paired with an
// input stream. 0 done; 1 when an output stream's media type has no input
// stream (nothing to convert); -1 on failure.
int build_run_tables(Job& job, Run& run);
// Step 4: per output stream the language, the audio FIFO, the scaler and
// work picture when the picture changes, and the encode buffer size. -1 on
// failure (after the scaler message box when that was the cause).
int prepare_output_streams(Job& job, Run& run);

}  // namespace engine

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one way encoded packets leave an output stream's encoder for the
// muxer, shared by the video and audio outputs and the end-of-input drain.

#include "engine/state.h"

namespace engine {

// Writes every packet the encoder has ready (until it needs more input or
// is drained). Audio packets are all key frames; a video packet without a
// duration lasts one frame, so that containers with edit lists (MP4, 3GP)
// keep the last picture.
void write_ready_packets(Job& job, AVFormatContext* output, OutputStream& ost);

}  // namespace engine

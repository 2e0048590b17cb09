// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The constant-quality video encoders of the MP4 H.264 and HEVC formats
// (libx264, libx265). Unlike the designed formats' encoders, which take a
// bit rate and the registry's options, these start from the settings their
// makers tuned, aim at a constant quality and spend at most the user's bit
// rate: a simple picture takes few bits, a lowered rate a smaller file.

#include <cstdint>

#include "engine/state.h"

namespace engine {

// Whether the job's video goes to one of these encoders (choices 16, 17).
bool constant_quality_video(const JobSpec& spec);

// Before the stream's parameters are set: the encoder's context with the
// defaults of `d` (the encoder chosen for it) and the container's
// global-header flag.
void start_constant_quality(Job& job, AVFormatContext* output, Encoder& encoder, const EncoderDescriptor* d);

// Once size, rate and pixel format are set: the quality target, the bit
// rate cap, profile, level, speed, threads and field coding.
void finish_constant_quality(Job& job, AVCodecContext* c);

// An H.264 level (High profile) and what it allows.
struct H264Level {
  int idc = 0;              // 41 for 4.1, ...; 0: none of the table holds the picture
  int64_t max_bit_rate = 0;  // bit/s
  int64_t max_buffer = 0;    // bits of the coded picture buffer
};
// The lowest level from 4.1 up that holds pictures of this size at this
// rate (4.1 up to 1080p30, 4.2 for 1080p50 and 60).
H264Level h264_level(int width, int height, AVRational rate);

}  // namespace engine

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The output formats the window offers, one row each: what the format list
// shows, the container, codecs and audio the engine makes of it, and the
// file extension. The batch worker, clipmill-convert, the benchmark and the
// tests all read this one table.

#include <span>
#include <string_view>

#include "engine/job.h"

namespace batch {

struct FormatRow {
  const char* display_name;   // the format list's entry ("MPG2")
  const char* format;         // its lower-cased text, as the worker looks it up ("mpg2")
  const char* container;      // the library's muxer ("dvd", "asf", ...)
  const char* video_encoder;  // the library's encoder the codec choice selects
  const char* audio_encoder;
  int video_codec_choice;     // engine video codec choice
  int audio_codec_choice;     // engine audio codec choice
  int sample_rate;            // Hz of the output audio
  int channels;               // audio channels of the output
  int audio_bit_rate;         // bit/s the format fixes; 0: the user's choice
  int output_target;          // 0: container from the extension; 7: DVD (8 for 720x480, see job setup)
  const char* extension;      // output file extension
  // The formats after the seven designed ones:
  engine::StreamCopy copy = engine::StreamCopy::none;  // streams carried over instead of re-encoded
  bool index_first = false;   // MP4's index before the media data ("faststart")
};

// The formats the program was designed with, whose outputs stay as they were.
constexpr int kDesignedFormatCount = 7;

std::span<const FormatRow> format_table();
// The row for a lower-case format text, or null when no row matches.
const FormatRow* format_row(std::string_view lower_case_format);

}  // namespace batch

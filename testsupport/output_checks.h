// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checks a user's player would make on a converted file, shared by the
// tests that convert real media: container, codecs, size, rates, a full
// decode, and (given the source's length) duration and A/V start.

#include <filesystem>
#include <string>

#include "testsupport/media.h"

namespace testsupport {

struct ExpectedOutput {
  const char* container;    // ffprobe format_name
  const char* video_codec;  // ffprobe codec_name
  const char* audio_codec;
  int width = 0, height = 0;
  const char* frame_rate = nullptr;   // r_frame_rate; nullptr: not checked
  int sample_rate = 0, channels = 0;  // 0: not checked
};

struct OutputTiming {
  double source_duration = 0;  // 0: length and A/V start not checked
  double tolerance = 0;        // allowed length difference in seconds
  bool no_decoder_complaints = false;  // the full decode must print nothing
};

// Expects (gtest EXPECT/ADD_FAILURE) that `output` is a file as described,
// decodes to the end and, when timed, is as long as its source with audio
// and video starting together. Returns what ffprobe said of it.
ProbeInfo expect_output(const std::filesystem::path& output, const ExpectedOutput& expected,
                        const OutputTiming& timing = {});

// "N %" as the progress monitor writes it into a row's done column.
bool is_percent_text(const std::string& text);

}  // namespace testsupport

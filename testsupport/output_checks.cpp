// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport/output_checks.h"

#include <gtest/gtest.h>

#include <string>

namespace testsupport {

ProbeInfo expect_output(const std::filesystem::path& output, const ExpectedOutput& e, const OutputTiming& timing) {
  SCOPED_TRACE(output.string());
  const ProbeInfo info = probe(output);
  if (!info.ok) {
    ADD_FAILURE() << "ffprobe cannot read the output";
    return info;
  }
  EXPECT_EQ(info.format_name, e.container);
  const auto* v = info.first("video");
  const auto* a = info.first("audio");
  if (!v || !a) {
    ADD_FAILURE() << "output lacks " << (v ? "audio" : "video");
    return info;
  }
  EXPECT_EQ(v->codec_name, e.video_codec);
  EXPECT_EQ(a->codec_name, e.audio_codec);
  EXPECT_EQ(v->width, e.width);
  EXPECT_EQ(v->height, e.height);
  if (e.frame_rate) { EXPECT_EQ(v->frame_rate, e.frame_rate); }
  if (e.sample_rate) { EXPECT_EQ(a->sample_rate, e.sample_rate); }
  if (e.channels) { EXPECT_EQ(a->channels, e.channels); }

  std::string errors;
  EXPECT_TRUE(decodes_fully(output, &errors)) << errors;
  if (timing.no_decoder_complaints) { EXPECT_EQ(errors, ""); }

  if (timing.source_duration > 0) {
    EXPECT_NEAR(info.duration, timing.source_duration, timing.tolerance);
    // Audio and video start together (ASF puts its first picture one audio
    // packet late, as the ffmpeg tool's own ASF files do).
    EXPECT_NEAR(a->start_time, v->start_time, 0.05);
  }
  return info;
}

bool is_percent_text(const std::string& text) {
  const auto blank = text.find(' ');
  return blank != std::string::npos && blank > 0 && text.substr(blank) == " %" &&
         text.find_first_not_of("0123456789") == blank;
}

}  // namespace testsupport

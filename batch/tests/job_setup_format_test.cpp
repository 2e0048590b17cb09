// SPDX-License-Identifier: GPL-3.0-or-later
// The worker's per-row parameter rules that the format table alone does not
// show: the fixed 3GP audio, mono MP4, the DVD target by frame size, and an
// unknown format. (Every format's codecs and container are checked end to
// end by the conformance matrix.)
#include <gtest/gtest.h>

#include "batch/format_table.h"
#include "batch/job_setup.h"
#include "testsupport/media.h"

namespace {

// The record the worker keeps from row to row.
engine::JobSpec spec;

const engine::JobSpec& prepare(const std::string& format, int width = 1280, int height = 720) {
  presets::ConversionSettings c;
  c.format = format;
  c.width = width;
  c.height = height;
  c.fps = 29.97f;
  c.audio_bitrate = 448000;
  c.save_beside_source = false;
  c.output_folder = "/nonexistent-folder";
  batch::prepare_job(c, "/videos/clip.mts", "clip.mts", spec);
  return spec;
}

TEST(PrepareJob, AudioRulesOf3gpAndMp4) {
  const auto& p = prepare("h.263");
  EXPECT_EQ(p.output_path, "/nonexistent-folder/clip.3gp");
  EXPECT_EQ(p.sample_rate, 8000);
  EXPECT_EQ(p.channels, 1);
  EXPECT_EQ(p.audio_bit_rate, 12200);  // whatever the audio list shows
  prepare("mp4");
  EXPECT_EQ(p.sample_rate, 44100);
  EXPECT_EQ(p.channels, 1);
  EXPECT_EQ(p.audio_bit_rate, 448000);
}

// DVD-Video audio is 48 kHz; 44.1 kHz AC-3 would be played at the wrong speed.
TEST(PrepareJob, DvdAudioIs48kHz) {
  EXPECT_EQ(prepare("mpg2", 720, 576).sample_rate, 48000);
  EXPECT_EQ(prepare("mpg1").sample_rate, 44100);
}

TEST(PrepareJob, DvdTargetFollowsTheFrameSize) {
  EXPECT_EQ(prepare("mpg2", 720, 480).output_target, 8);
  EXPECT_EQ(prepare("mpg2", 720, 576).output_target, 7);
  // Only mpg2 is a DVD: mpg1 at 720x480 keeps the container of its extension.
  EXPECT_EQ(prepare("mpg1", 720, 480).output_target, 0);
}

TEST(PrepareJob, UnknownFormatKeepsEarlierChoicesAndUsesItsTextAsExtension) {
  prepare("wmv");
  const auto& p = prepare("ogv");
  EXPECT_EQ(p.output_path, "/nonexistent-folder/clip.ogv");
  EXPECT_EQ(p.video_codec_choice, 4);
  EXPECT_EQ(p.audio_codec_choice, 4);
  EXPECT_EQ(p.channels, 2);
  // The table wants the lower-cased text the window hands over.
  EXPECT_EQ(batch::format_row("MPG2"), nullptr);
}

}  // namespace

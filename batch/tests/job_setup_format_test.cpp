// The worker's per-row parameter steps: what each format puts into the
// engine parameters, the 3GP audio rule, the DVD target by frame size, and
// an unknown format.
#include <gtest/gtest.h>

#include "batch/format_table.h"
#include "batch/job_setup.h"
#include "engine/state.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

batch::JobChoices choices(const std::string& format, int width = 1280, int height = 720) {
  batch::JobChoices c;
  c.format = format;
  c.width = width;
  c.height = height;
  c.fps = 29.97f;
  c.video_bitrate = 9000000;
  c.audio_bitrate = 448000;
  c.aspect = 1;
  c.save_beside_source = false;
  c.output_folder = testsupport::temp_dir("setup");
  return c;
}

struct FormatCase {
  const char* format;
  const char* extension;
  int video_choice, audio_choice, target, sample_rate, channels, audio_bit_rate;
};

class PrepareJob : public ::testing::TestWithParam<FormatCase> {};

TEST_P(PrepareJob, FillsTheEngineParametersOfTheFormat) {
  const FormatCase& f = GetParam();
  const auto c = choices(f.format);
  const auto out = batch::prepare_job(c, "/videos/clip.mts", "clip.mts");
  const auto& p = engine::state().params;
  EXPECT_EQ(out, c.output_folder / (std::string("clip.") + f.extension));
  EXPECT_EQ(p.output_path, out.string());
  EXPECT_EQ(p.input_path, "/videos/clip.mts");
  EXPECT_EQ(p.video_codec_choice, f.video_choice);
  EXPECT_EQ(p.audio_codec_choice, f.audio_choice);
  EXPECT_EQ(p.output_target, f.target);
  EXPECT_EQ(p.requested_sample_rate, f.sample_rate);
  EXPECT_EQ(p.requested_channels, f.channels);
  EXPECT_EQ(p.requested_audio_bit_rate, f.audio_bit_rate);
  EXPECT_EQ(p.requested_width, 1280);
  EXPECT_EQ(p.requested_height, 720);
  EXPECT_FLOAT_EQ(p.requested_frame_rate, 29.97f);
  EXPECT_EQ(p.video_bit_rate, 9000000);
  EXPECT_EQ(p.aspect_choice, 1);
  fs::remove_all(c.output_folder);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PrepareJob,
    ::testing::Values(FormatCase{"avi", "avi", 12, 2, 0, 44100, 2, 448000},
                      FormatCase{"flv", "flv", 15, 2, 0, 44100, 2, 448000},
                      FormatCase{"mp4", "mp4", 1, 1, 0, 44100, 1, 448000},
                      FormatCase{"mpg2", "mpg", 14, 6, 7, 44100, 2, 448000},
                      FormatCase{"wmv", "wmv", 4, 4, 0, 44100, 2, 448000},
                      FormatCase{"mpg1", "mpg", 13, 3, 0, 44100, 2, 448000},
                      // 3GP audio is fixed, whatever the audio list shows.
                      FormatCase{"h.263", "3gp", 6, 5, 0, 8000, 1, 12200}),
    [](const auto& info) {
      std::string n = info.param.format;
      for (char& ch : n)
        if (ch == '.') ch = '_';
      return n;
    });

TEST(PrepareJobTarget, DvdTargetFollowsTheFrameSize) {
  auto& p = engine::state().params;
  batch::prepare_job(choices("mpg2", 720, 480), "/v/a.mts", "a.mts");
  EXPECT_EQ(p.output_target, 8);
  batch::prepare_job(choices("mpg2", 720, 576), "/v/a.mts", "a.mts");
  EXPECT_EQ(p.output_target, 7);
  // Only mpg2 is a DVD: mpg1 at 720x480 keeps the container of its extension.
  batch::prepare_job(choices("mpg1", 720, 480), "/v/a.mts", "a.mts");
  EXPECT_EQ(p.output_target, 0);
}

TEST(PrepareJobTarget, UnknownFormatKeepsEarlierChoicesAndUsesItsTextAsExtension) {
  auto& p = engine::state().params;
  batch::prepare_job(choices("wmv"), "/v/a.mts", "a.mts");
  const auto c = choices("ogv");
  const auto out = batch::prepare_job(c, "/v/a.mts", "a.mts");
  EXPECT_EQ(out.extension(), ".ogv");
  EXPECT_EQ(p.video_codec_choice, 4);
  EXPECT_EQ(p.audio_codec_choice, 4);
  EXPECT_EQ(p.requested_channels, 2);
  // The table wants the lower-cased text the window hands over.
  EXPECT_EQ(batch::format_choice("MPG2"), nullptr);
  ASSERT_NE(batch::format_choice("mpg2"), nullptr);
}

TEST(PrepareJobTarget, ClearsTheDisabledStreamFlags) {
  engine::state().settings.video_disabled = 1;
  engine::state().settings.audio_disabled = 1;
  batch::prepare_job(choices("avi"), "/v/a.mts", "a.mts");
  EXPECT_EQ(engine::state().settings.video_disabled, 0);
  EXPECT_EQ(engine::state().settings.audio_disabled, 0);
}

}  // namespace

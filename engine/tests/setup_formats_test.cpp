// SPDX-License-Identifier: GPL-3.0-or-later
// Each output format of the batch worker, from a real input through
// open_input, create_output_file and the transcode setup: every encoder and
// decoder opens and the header shows the right container and codecs.
#include <gtest/gtest.h>

#include "engine/tests/engine_fixture.h"
#include "testsupport/media.h"
#include "testsupport/output_checks.h"

namespace {

using enginetest::Format;

const Format kFormats[] = {
    {"avi", 12, 2, 0, "avi", 320, 240, 2, 44100, 128000, "avi", "msmpeg4v2", "mp3"},
    {"flv", 15, 2, 0, "flv", 320, 240, 2, 44100, 128000, "flv", "flv1", "mp3"},
    {"mp4", 1, 1, 0, "mp4", 320, 240, 1, 44100, 128000, "mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "aac"},
    {"mpg2_pal", 14, 6, 7, "mpg", 720, 576, 2, 44100, 192000, "mpeg", "mpeg2video", "ac3"},
    {"mpg2_ntsc", 14, 6, 8, "mpg", 720, 480, 2, 44100, 192000, "mpeg", "mpeg2video", "ac3"},
    {"wmv", 4, 4, 0, "wmv", 320, 240, 2, 44100, 128000, "asf", "wmv2", "wmav2"},
    {"mpg1", 13, 3, 0, "mpg", 352, 288, 2, 44100, 192000, "mpeg", "mpeg1video", "mp2"},
    {"h263", 6, 5, 0, "3gp", 176, 144, 1, 8000, 12200, "mov,mp4,m4a,3gp,3g2,mj2", "h263", "amr_nb"},
};

class SetupFormats : public enginetest::Fresh<::testing::TestWithParam<Format>> {};

TEST_P(SetupFormats, OpensEveryCodecAndWritesAReadableHeader) {
  const Format& f = GetParam();
  const auto dir = testsupport::temp_dir(std::string("setup_") + f.name);
  const auto output = dir / (std::string("clip.") + f.extension);
  enginetest::fill_parameters(f, output);
  enginetest::open_files(testsupport::mpeg2_ps_clip(1.0));
  ASSERT_EQ(enginetest::job().tables.input_file_count, 1);
  ASSERT_EQ(enginetest::job().tables.output_file_count, 1);

  EXPECT_EQ(engine::transcode(enginetest::job()), 0);
  engine::release_files(enginetest::job());
  EXPECT_FALSE(enginetest::job().error);

  EXPECT_EQ(enginetest::job().tables.output_file_count, 0);
  EXPECT_EQ(enginetest::job().tables.output_codec_count, 0);
  testsupport::expect_output(output, {f.container, f.video_codec, f.audio_codec, f.width, f.height, nullptr,
                                      f.sample_rate, f.channels});
  std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(BatchFormats, SetupFormats, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

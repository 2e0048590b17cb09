// SPDX-License-Identifier: GPL-3.0-or-later
// Transcode setup failures: an encoder that refuses its parameters is the
// job's alert (nothing waits for a click) and writes no header, and the next
// run starts clean.
#include <gtest/gtest.h>

#include "engine/tests/engine_fixture.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

const enginetest::Format kH263{"h263", 6, 5, 0, "3gp", 176, 144, 1, 8000, 12200,
                               "mov,mp4,m4a,3gp,3g2,mj2", "h263", "amr_nb"};

TEST(SetupFailure, RefusedEncoderIsTheAlertWritesNoHeaderAndLeavesACleanNextRun) {
  enginetest::fresh_job();
  const auto dir = testsupport::temp_dir("refused");
  auto& t = enginetest::job().tables;

  // H.263 has no 320x240 picture size: its encoder refuses to open.
  enginetest::Format bad = kH263;
  bad.width = 320;
  bad.height = 240;
  enginetest::fill_parameters(bad, dir / "bad.3gp");
  enginetest::open_files(testsupport::mpeg2_ps_clip(1.0));
  ASSERT_EQ(t.output_file_count, 1);
  EXPECT_EQ(engine::transcode(enginetest::job()), -1);
  EXPECT_EQ(enginetest::job().alert, engine::JobAlert::encoder_refused);
  EXPECT_EQ(enginetest::job().error.stage, engine::Stage::open_encoder);
  engine::release_files(enginetest::job());
  EXPECT_EQ(fs::file_size(dir / "bad.3gp"), 0u);  // no header written
  EXPECT_EQ(t.input_file_count + t.output_file_count + t.input_codec_count + t.output_codec_count, 0);

  enginetest::fill_parameters(kH263, dir / "good.3gp");
  enginetest::open_files(testsupport::mpeg2_ps_clip(1.0));
  EXPECT_EQ(t.output_codec_count, 2);
  EXPECT_EQ(t.input_codec_count, 2);
  EXPECT_EQ(engine::transcode(enginetest::job()), 0);
  engine::release_files(enginetest::job());
  const auto info = testsupport::probe(dir / "good.3gp");
  ASSERT_TRUE(info.ok);
  ASSERT_NE(info.first("audio"), nullptr);
  EXPECT_EQ(info.first("audio")->codec_name, "amr_nb");
  EXPECT_TRUE(testsupport::decodes_fully(dir / "good.3gp"));
  fs::remove_all(dir);
}

}  // namespace

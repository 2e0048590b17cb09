// SPDX-License-Identifier: GPL-3.0-or-later
// H.264 output (video codec choice 5): the encoder holds many pictures back
// (look-ahead), so every one of them must come out in the end-of-input
// drain; and it is closed and freed like every other encoder (the
// sanitizer build's leak check fails the test otherwise).
#include "engine/tests/convert_support.h"

namespace {

TEST(ConvertH264, DelayedPicturesAreDrainedAndTheEncoderFreed) {
  enginetest::fresh_job();
  // The generic codec defaults look to libx264 like a broken old setup and
  // it refuses them; a user's options (as the registry would carry them)
  // move it off those values.
  ASSERT_EQ(engine::set_option(enginetest::job(), "qmin", "10"), 0);
  ASSERT_EQ(engine::set_option(enginetest::job(), "qmax", "51"), 0);
  ASSERT_EQ(engine::set_option(enginetest::job(), "qdiff", "4"), 0);
  const enginetest::Format h264{"h264", 5, 1, 0, "mp4", 320, 240, 1, 44100, 128000,
                                "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac"};
  const auto dir = testsupport::temp_dir("h264");
  const auto output = dir / "clip.mp4";
  for (int job = 0; job < 2; ++job) {
    std::filesystem::remove(output);
    ASSERT_TRUE(converttest::run_engine_job(converttest::ts_clip(25, 2.0), h264, output));
    const auto info = testsupport::probe(output);
    ASSERT_NE(info.first("video"), nullptr);
    EXPECT_EQ(info.first("video")->codec_name, "h264");
    EXPECT_EQ(testsupport::count_video_frames(output), 50);
    std::string errors;
    EXPECT_TRUE(testsupport::decodes_fully(output, &errors)) << errors;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// Timing of whole conversions: the frame-rate change of the sync rule in
// both directions, the repair of a timestamp jump in the input, cancel in
// the middle of a file, and the one-in-ten preview.
#include <atomic>
#include <chrono>
#include <thread>

#include "engine/tests/convert_support.h"

namespace {

using converttest::fs::path;

struct RateCase {
  const char* name;
  int input_fps;
  float output_fps;
  const enginetest::Format* format;
  int expected_frames;  // over the 2 s clip
};

void PrintTo(const RateCase& c, std::ostream* os) { *os << c.name; }

class FrameRateChange : public enginetest::Fresh<::testing::TestWithParam<RateCase>> {};

TEST_P(FrameRateChange, WritesTheFramesTheOutputRateNeeds) {
  const RateCase& c = GetParam();
  const auto dir = testsupport::temp_dir(std::string("rate_") + c.name);
  const auto output = dir / (std::string("clip.") + c.format->extension);
  ASSERT_TRUE(converttest::run_engine_job(converttest::ts_clip(c.input_fps, 2.0), *c.format, output, c.output_fps));

  const int frames = testsupport::count_video_frames(output);
  EXPECT_NEAR(frames, c.expected_frames, 2) << output;
  std::string errors;
  EXPECT_TRUE(testsupport::decodes_fully(output, &errors)) << errors;
  const auto info = testsupport::probe(output);
  ASSERT_NE(info.first("video"), nullptr);
  EXPECT_NEAR(info.duration, 2.0, 0.15);
}

INSTANTIATE_TEST_SUITE_P(
    Convert, FrameRateChange,
    ::testing::Values(
        // 30 -> 15 on a constant-rate container: every other picture dropped.
        RateCase{"halve_avi", 30, 15, &converttest::kAvi, 30},
        // 15 -> 30 on a constant-rate container: each picture duplicated.
        RateCase{"double_avi", 15, 30, &converttest::kAvi, 60},
        // 15 -> 30 on FLV's variable rate: no duplicates, the clock re-aligns.
        RateCase{"double_flv", 15, 30, &converttest::kFlv, 30}),
    [](const auto& info) { return std::string(info.param.name); });

class ConvertTiming : public enginetest::Fresh<> {};

// Two one-second clips whose clocks are 30 s apart, glued into one stream,
// as a camcorder recording that was paused: the output keeps going without
// a 30-second hole filled with copies of one picture.
TEST_F(ConvertTiming, ForwardTimestampJumpKeepsTheOutputContinuous) {
  const auto first = converttest::ts_clip(25, 1.0);
  const auto second = testsupport::cached_media(
      "ts_25fps_1_offset30.m2ts",
      "-f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=500:sample_rate=48000 "
      "-t 1 -ac 2 -c:v mpeg2video -g 12 -b:v 1M -c:a mp2 -b:a 128k -output_ts_offset 30 -f mpegts");
  const auto dir = testsupport::temp_dir("jump");
  const auto input = dir / "jump.m2ts";
  converttest::concatenate({first, second}, input);
  const auto output = dir / "jump.avi";
  ASSERT_TRUE(converttest::run_engine_job(input, converttest::kAvi, output));

  const auto info = testsupport::probe(output);
  ASSERT_TRUE(info.ok);
  EXPECT_NEAR(info.duration, 2.0, 0.2);
  EXPECT_NEAR(testsupport::count_video_frames(output), 50, 3);
  const auto* audio = info.first("audio");
  ASSERT_NE(audio, nullptr);
  EXPECT_NEAR(audio->duration, 2.0, 0.2);
  std::string errors;
  EXPECT_TRUE(testsupport::decodes_fully(output, &errors)) << errors;
}

// Cancel during the file: the read loop stops, yet the encoders are drained
// and the trailer written, so an MP4 (unreadable without its trailer) plays
// to its end and holds every picture decoded until then.
TEST_F(ConvertTiming, CancelLeavesACompleteFileWithWhatWasConverted) {
  const auto input = converttest::ts_clip(25, 10.0);
  const auto dir = testsupport::temp_dir("cancel");
  const auto output = dir / "cancel.mp4";
  auto& progress = enginetest::test_job().counters;
  auto& stop = enginetest::test_job().stop;
  stop = false;
  progress.decoded_frame_count = 0;
  std::atomic<bool> done{false};
  std::thread canceller([&] {
    while (!done && progress.decoded_frame_count.load() < 60) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stop = true;
  });
  const bool ran = converttest::run_engine_job(input, converttest::kMp4, output);
  done = true;
  canceller.join();
  ASSERT_TRUE(ran);
  EXPECT_TRUE(stop.load());

  const int decoded = progress.decoded_frame_count.load();
  EXPECT_LT(decoded, 200) << "the cancel did not stop the read loop";
  std::string errors;
  EXPECT_TRUE(testsupport::decodes_fully(output, &errors)) << errors;
  EXPECT_NEAR(testsupport::count_video_frames(output), decoded, 2);
  const auto info = testsupport::probe(output);
  EXPECT_NEAR(info.duration, decoded / 25.0, 0.15);
}

// One picture in ten reaches the preview, and only while the option is on.
TEST_F(ConvertTiming, PreviewShowsEveryTenthPictureWhileOn) {
  int shown = 0;
  auto& t = enginetest::test_job();
  t.preview_countdown = 10;
  t.preview = true;
  t.hooks.show_preview_picture = [&](const AVFrame* picture, const AVCodecContext* decoder) {
    EXPECT_EQ(picture->width, decoder->width);
    ++shown;
  };
  const auto dir = testsupport::temp_dir("preview");
  ASSERT_TRUE(converttest::run_engine_job(converttest::ts_clip(25, 2.0), converttest::kAvi, dir / "p.avi"));
  EXPECT_EQ(shown, 5);  // 50 pictures

  enginetest::test_job().preview = false;
  shown = 0;
  ASSERT_TRUE(converttest::run_engine_job(converttest::ts_clip(25, 2.0), converttest::kAvi, dir / "q.avi"));
  EXPECT_EQ(shown, 0);
  t.hooks.show_preview_picture = nullptr;
}

// A copy decodes nothing but one key picture in ten, for the preview, and
// counts the pictures it copies (the window's Fps).
TEST_F(ConvertTiming, CopyPreviewsEveryTenthKeyPictureAndCountsPictures) {
  std::vector<int> widths;
  auto& t = enginetest::test_job();
  t.hooks.show_preview_picture = [&](const AVFrame* picture, const AVCodecContext*) {
    widths.push_back(picture->width);
  };
  t.preview_countdown = 10;
  t.preview = true;
  enginetest::spec().copy = engine::StreamCopy::every_stream;
  const auto dir = testsupport::temp_dir("copy_preview");
  // 150 pictures, a key picture every 15: ten of them.
  ASSERT_TRUE(converttest::run_engine_job(testsupport::camcorder_clip(6), converttest::kMkv, dir / "c.mkv"));
  EXPECT_EQ(widths, std::vector<int>{320});
  EXPECT_EQ(t.counters.decoded_frame_count.load(), 150);
  t.hooks.show_preview_picture = nullptr;
  t.preview = false;
  enginetest::spec().copy = engine::StreamCopy::none;
}

}  // namespace

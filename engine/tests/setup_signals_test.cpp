// SPDX-License-Identifier: GPL-3.0-or-later
// Interrupt and termination signals: the first one during a conversion lets
// the file end properly and then ends the program; the program never stays
// unkillable.
#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>


#include "engine/signals.h"
#include "engine/tests/engine_fixture.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

const enginetest::Format kAvi{"avi", 12, 2, 0, "avi", 320, 240, 2, 44100, 128000, "avi", "msmpeg4v2", "mp3"};

// Converts a 2-second clip, raising `signal_number` `times` times from the
// preview hook when the tenth picture has been decoded; ends the process with
// status 0 if it survives.
[[noreturn]] void convert_with_signal(const fs::path& input, const fs::path& output, int signal_number, int times) {
  enginetest::fresh_job();
  enginetest::fill_parameters(kAvi, output);
  enginetest::open_files(input);
  enginetest::test_job().preview = true;
  static int raises;
  static int number;
  raises = times;
  number = signal_number;
  enginetest::test_job().hooks.show_preview_picture = [](const AVFrame*, const AVCodecContext*) {
    for (; raises > 0; --raises) std::raise(number);
  };
  engine::transcode(enginetest::job());
  engine::release_files(enginetest::job());
  _exit(0);
}

class Signals : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    // As each converting program does at its start.
    engine::set_up_process(false);
    dir_ = testsupport::temp_dir("signals");
    input_ = testsupport::mpeg2_ps_clip(2.0);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_, input_;
};

TEST_P(Signals, FirstSignalFinishesTheFileThenEndsTheProgram) {
  const fs::path output = dir_ / "out.avi";
  EXPECT_EXIT(convert_with_signal(input_, output, GetParam(), 1), ::testing::KilledBySignal(GetParam()), "");
  const auto info = testsupport::probe(output);
  ASSERT_TRUE(info.ok);
  ASSERT_NE(info.first("video"), nullptr);
  EXPECT_TRUE(testsupport::decodes_fully(output));
  const int frames = testsupport::count_video_frames(output);
  EXPECT_GT(frames, 0);
  EXPECT_LT(frames, 50);  // stopped early, not converted to the end
}

TEST_P(Signals, SecondSignalEndsTheProgramAtOnce) {
  EXPECT_EXIT(convert_with_signal(input_, dir_ / "out.avi", GetParam(), 2), ::testing::KilledBySignal(GetParam()),
              "");
}

TEST_P(Signals, SignalAfterAConversionIsNotSwallowed) {
  const int number = GetParam();
  const fs::path output = dir_ / "out.avi";
  auto convert_then_signal = [&] {
    enginetest::fresh_job();
    enginetest::fill_parameters(kAvi, output);
    enginetest::open_files(input_);
    engine::transcode(enginetest::job());
    engine::release_files(enginetest::job());
    std::raise(number);
    _exit(0);
  };
  EXPECT_EXIT(convert_then_signal(), ::testing::KilledBySignal(number), "");
  std::string errors;
  EXPECT_TRUE(testsupport::decodes_fully(output, &errors)) << errors;
}

INSTANTIATE_TEST_SUITE_P(InterruptAndTerminate, Signals, ::testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) { return std::string(info.param == SIGINT ? "sigint" : "sigterm"); });

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// Output creation: an existing file is never touched, a stream type the
// input lacks is not created, and bad inputs register nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/tests/engine_fixture.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

const enginetest::Format kAvi{"avi", 12, 2, 0, "avi", 320, 240, 2, 44100, 128000, "avi", "msmpeg4v2", "mp3"};

std::string read_all(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class OutputFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    enginetest::fresh_job();
    dir_ = testsupport::temp_dir("outputs");
  }
  void TearDown() override {
    engine::release_files(enginetest::job());
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

TEST_F(OutputFiles, AnExistingOutputNameIsNeverTouched) {
  const fs::path existing = dir_ / "clip.avi";
  { std::ofstream(existing) << "somebody's file"; }
  const auto before = fs::last_write_time(existing);
  enginetest::fill_parameters(kAvi, existing);
  enginetest::open_files(testsupport::mpeg2_ps_clip(1.0));
  auto& t = enginetest::job().tables;
  EXPECT_EQ(t.output_file_count, 0);
  EXPECT_EQ(t.output_codec_count, 0);
  EXPECT_EQ(enginetest::job().settings.forced_output_format, nullptr);
  engine::release_files(enginetest::job());
  EXPECT_EQ(read_all(existing), "somebody's file");
  EXPECT_EQ(fs::last_write_time(existing), before);
}

TEST_F(OutputFiles, TheSourceItselfIsNeverTheOutput) {
  const fs::path source = dir_ / "source.mpg";
  fs::copy_file(testsupport::mpeg2_ps_clip(1.0), source);
  const std::string original = read_all(source);
  enginetest::Format mpg1{"mpg1", 13, 3, 0, "mpg", 352, 288, 2, 44100, 192000, "mpeg", "mpeg1video", "mp2"};
  enginetest::fill_parameters(mpg1, source);
  enginetest::open_files(source);
  EXPECT_EQ(enginetest::job().tables.input_file_count, 1);
  EXPECT_EQ(enginetest::job().tables.output_file_count, 0);
  engine::release_files(enginetest::job());
  EXPECT_EQ(read_all(source), original);
}

TEST_F(OutputFiles, AnOddOutputNameIsAPlainFile) {
  const fs::path odd = dir_ / "concat:clip 1.avi";
  enginetest::fill_parameters(kAvi, odd);
  enginetest::open_files(testsupport::mpeg2_ps_clip(1.0));
  ASSERT_EQ(enginetest::job().tables.output_file_count, 1);
  EXPECT_EQ(engine::transcode(enginetest::job()), 0);
  engine::release_files(enginetest::job());
  EXPECT_TRUE(fs::exists(odd));
  EXPECT_TRUE(testsupport::probe(odd).ok);
}

struct MissingCase {
  const char* name;
  const char* args;       // ffmpeg arguments of the input
  const char* extension;  // of the input
  bool has_video, has_audio;
};

void PrintTo(const MissingCase& c, std::ostream* os) { *os << c.name; }

class MissingStreamType : public OutputFiles, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingStreamType, IsNotCreatedInTheOutput) {
  const MissingCase& c = GetParam();
  const auto input = testsupport::cached_media(std::string(c.name) + "." + c.extension, c.args);
  const fs::path output = dir_ / "out.avi";
  enginetest::fill_parameters(kAvi, output);
  enginetest::open_files(input);
  ASSERT_EQ(enginetest::job().tables.output_file_count, 1);
  EXPECT_EQ(engine::transcode(enginetest::job()), 0);
  engine::release_files(enginetest::job());
  const auto info = testsupport::probe(output);
  ASSERT_TRUE(info.ok);
  EXPECT_EQ(info.first("video") != nullptr, c.has_video);
  EXPECT_EQ(info.first("audio") != nullptr, c.has_audio);
  EXPECT_TRUE(testsupport::decodes_fully(output));
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, MissingStreamType,
    ::testing::Values(MissingCase{"video_only", "-f lavfi -i testsrc2=size=320x240:rate=25 -t 1 -c:v mpeg2video -f mpegts",
                                  "m2ts", true, false},
                      MissingCase{"audio_only", "-f lavfi -i sine=sample_rate=48000 -t 1 -c:a ac3 -f mpeg", "mpg",
                                  false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OutputFiles, InputAspectIsTakenAndAnUnknownRateBecomes25) {
  const auto input = testsupport::cached_media(
      "anamorphic.mkv", "-f lavfi -i testsrc2=size=1440x1080:rate=25 -t 0.2 -vf setsar=4/3 -c:v mpeg4");
  engine::open_input(enginetest::job(), input.string());
  ASSERT_EQ(enginetest::job().tables.input_file_count, 1);
  EXPECT_NEAR(enginetest::job().settings.frame_aspect_ratio, 16.0 / 9.0, 1e-4);

  // 50 fps matches no rule; with no rate known either, the stream runs at 25.
  enginetest::fill_parameters(kAvi, dir_ / "out.avi", 50);
  enginetest::job().settings.frame_rate = {0, 0};
  engine::create_output_file(enginetest::job());
  ASSERT_EQ(enginetest::job().tables.output_file_count, 1);
  const AVCodecContext* video = enginetest::job().tables.output_files[0]->encoders[0]->context();
  EXPECT_EQ(video->time_base.num, 1);
  EXPECT_EQ(video->time_base.den, 25);
}

TEST_F(OutputFiles, BadInputsRegisterNothing) {
  { std::ofstream(dir_ / "text.mts") << "this is not a video\n"; }
  { std::ofstream(dir_ / "empty.mts"); }
  fs::create_directory(dir_ / "folder.mts");
  for (const fs::path& p : {dir_ / "text.mts", dir_ / "empty.mts", dir_ / "missing.mts", dir_ / "folder.mts",
                            fs::path("http://127.0.0.1:9/x.mts"), fs::path()}) {
    engine::open_input(enginetest::job(), p.string());
    EXPECT_EQ(enginetest::job().tables.input_file_count, 0) << p;
    EXPECT_EQ(enginetest::job().tables.input_codec_count, 0) << p;
  }
}

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// Transcode setup, steps 1 to 4: stream pairing, the conversion work each
// output stream gets and the shared encode buffer size.
#include <gtest/gtest.h>

#include "engine/setup_steps.h"
#include "engine/tests/engine_fixture.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

// Audio stream first, then video; Matroska keeps that order.
fs::path audio_first_clip() {
  return testsupport::cached_media(
      "audio_first.mkv",
      "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=1 -f lavfi -i testsrc2=size=320x240:rate=25 "
      "-t 1 -map 0:a -map 1:v -c:v mpeg4 -c:a mp2");
}

// Video, then a mono and a stereo audio stream.
fs::path two_audio_clip() {
  return testsupport::cached_media(
      "two_audio.mkv",
      "-f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 "
      "-f lavfi -i sine=frequency=880:sample_rate=32000 -t 1 -map 0:v -map 1:a -map 2:a "
      "-c:v mpeg4 -c:a mp2 -ac:a:0 1 -ac:a:1 2");
}

const enginetest::Format kAvi{"avi", 12, 2, 0, "avi", 320, 240, 2, 44100, 128000, "avi", "msmpeg4v2", "mp3"};

class SetupSteps : public ::testing::Test {
 protected:
  void SetUp() override {
    enginetest::fresh_job();
    dir_ = testsupport::temp_dir("pairing");
  }
  void TearDown() override {
    engine::release_run(run_);
    engine::release_files(enginetest::job());
    fs::remove_all(dir_);
  }
  // Opens `input` and creates one output per name, as the job would.
  void open(const fs::path& input, const enginetest::Format& format, std::initializer_list<const char*> outputs) {
    bool first = true;
    for (const char* name : outputs) {
      enginetest::fill_parameters(format, dir_ / name);
      if (first)
        enginetest::open_files(input);
      else
        engine::create_output_file(enginetest::job());
      first = false;
    }
  }
  AVMediaType source_type(int output_stream) const {
    const auto& ost = *run_.output_streams[output_stream];
    return run_.input_streams[ost.source_index]->stream->codecpar->codec_type;
  }
  fs::path dir_;
  engine::Run run_;
};

TEST_F(SetupSteps, PairsVideoWithVideoAndAudioWithAudioWhateverTheOrder) {
  open(audio_first_clip(), kAvi, {"out.avi"});
  ASSERT_EQ(engine::build_run_tables(enginetest::job(), run_), 0);
  ASSERT_EQ(run_.output_streams.size(), 2u);
  EXPECT_EQ(run_.output_streams[0]->encoder->context()->codec_type, AVMEDIA_TYPE_VIDEO);
  EXPECT_EQ(source_type(0), AVMEDIA_TYPE_VIDEO);
  EXPECT_EQ(run_.output_streams[0]->source_index, 1);
  EXPECT_EQ(source_type(1), AVMEDIA_TYPE_AUDIO);
  EXPECT_EQ(run_.output_streams[1]->source_index, 0);
  EXPECT_EQ(run_.output_streams[1]->sync_input, run_.input_streams[0].get());
}

TEST_F(SetupSteps, TakesTheFirstOfTwoAudioStreamsAndDiscardsTheSecond) {
  open(two_audio_clip(), kAvi, {"out.avi"});
  ASSERT_EQ(engine::build_run_tables(enginetest::job(), run_), 0);
  ASSERT_EQ(run_.input_streams.size(), 3u);
  EXPECT_EQ(run_.output_streams[1]->source_index, 1);
  EXPECT_EQ(run_.input_streams[1]->discard, 0);
  EXPECT_EQ(run_.input_streams[2]->discard, 1);
}

TEST_F(SetupSteps, TwoOutputAudioStreamsShareTheOneInputStream) {
  open(audio_first_clip(), kAvi, {"out.avi"});
  engine::add_audio_stream(enginetest::job(), *enginetest::job().tables.output_files[0]);
  ASSERT_EQ(engine::build_run_tables(enginetest::job(), run_), 0);
  ASSERT_EQ(run_.output_streams.size(), 3u);
  EXPECT_EQ(run_.output_streams[1]->source_index, 0);
  EXPECT_EQ(run_.output_streams[2]->source_index, 0);
}

TEST_F(SetupSteps, OneInputFeedsTwoOutputFiles) {
  open(audio_first_clip(), kAvi, {"one.avi", "two.avi"});
  ASSERT_EQ(enginetest::job().tables.output_file_count, 2);
  ASSERT_EQ(engine::build_run_tables(enginetest::job(), run_), 0);
  ASSERT_EQ(run_.output_streams.size(), 4u);
  EXPECT_EQ(run_.output_streams[2]->file_index, 1);
  EXPECT_EQ(run_.output_streams[2]->source_index, run_.output_streams[0]->source_index);
  EXPECT_EQ(run_.output_streams[3]->source_index, run_.output_streams[1]->source_index);
}

TEST_F(SetupSteps, AnOutputWithoutStreamsFailsTheSetup) {
  open(audio_first_clip(), kAvi, {"out.avi"});
  enginetest::job().tables.output_files[0]->context.reset(avformat_alloc_context());
  enginetest::job().tables.output_files[0]->encoders.clear();
  EXPECT_EQ(engine::transcode(enginetest::job()), -1);
}

struct SizeCase {
  const char* name;
  int width, height;
  bool rescale;
};

class PictureWork : public SetupSteps, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(PictureWork, ScalerOnlyWhenTheSizeChanges) {
  const SizeCase& c = GetParam();
  enginetest::Format f = kAvi;
  f.width = c.width;
  f.height = c.height;
  open(testsupport::mpeg2_ps_clip(1.0), f, {"out.avi"});  // 720x576 yuv420p
  ASSERT_EQ(engine::build_run_tables(enginetest::job(), run_), 0);
  ASSERT_EQ(engine::prepare_output_streams(enginetest::job(), run_), 0);
  const auto& video = *run_.output_streams[0];
  EXPECT_EQ(video.rescale_needed, c.rescale ? 1 : 0);
  EXPECT_EQ(video.pictures.scaler != nullptr, c.rescale);
  EXPECT_EQ(video.pictures.target.width, c.width);
  EXPECT_EQ(video.pictures.target.height, c.height);
  EXPECT_EQ(video.pictures.scaled_source.height, 576);
  // Scaled pictures take the encoder's own strides, which must hold a line.
  engine::FramePtr picture = run_.output_streams[0]->pictures.scaled.take(video.pictures.target,
                                                                         video.pictures.target_strides);
  ASSERT_NE(picture, nullptr);
  EXPECT_GE(picture->linesize[0], c.width);
  EXPECT_GE(picture->linesize[1], c.width / 2);
  const auto& audio = *run_.output_streams[1];
  ASSERT_NE(audio.audio_fifo, nullptr);
  EXPECT_EQ(audio.audio_resample_needed, 1);  // 48000 Hz in, 44100 Hz out
  EXPECT_EQ(video.sync_input->decoding_needed, 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PictureWork,
                         ::testing::Values(SizeCase{"same", 720, 576, false}, SizeCase{"hd", 1920, 1080, true},
                                           SizeCase{"qvga", 320, 240, true}, SizeCase{"qcif", 176, 144, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

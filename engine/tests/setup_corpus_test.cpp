// Real recordings and broken files through the whole job: nothing crashes or
// hangs, and whatever output is registered ends as a readable file.
#include <gtest/gtest.h>

#include "engine/tests/engine_fixture.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

const char* const kCorpus[] = {
    "exiftool_M2TS_header_only.mts",
    "exoplayer_sample_ac3_audio_only.mpg",
    "exoplayer_sample_h262_mpeg_audio.mpg",
    "filescraper_truncated_mid_packet.m2ts",
    "filetype_mpeg1_mp2_ps.mpg",
    "filetype_panasonic_1080i_ac3_raw188.mts",
    "hachoir_Panasonic_AG_HMC_151.MTS",
    "hachoir_dvb_mpeg2_576i_truncated.m2ts",
    "m3undle_h264_video_only.m2ts",
    "tsduck_test-025_mpeg2_576i_mp2.m2ts",
    "tsduck_test-026_h264_1080i_3xeac3_dvbsub.m2ts",
    "tsduck_test-143_multiprogram_dvbsub_teletext.m2ts",
};

// The corpus beside the project, also when the test runs without its
// environment: found from this source file's place in the tree.
fs::path corpus() {
  if (fs::path dir = testsupport::corpus_dir(); !dir.empty()) return dir;
  return fs::path(__FILE__).parent_path().parent_path().parent_path().parent_path() / "shared" / "corpus";
}

class Corpus : public ::testing::TestWithParam<const char*> {};

TEST_P(Corpus, ConvertsToMp4OrRegistersNothing) {
  const fs::path input = corpus() / GetParam();
  if (!fs::exists(input)) GTEST_SKIP() << "corpus not present";
  engine::engine_init();
  const auto dir = testsupport::temp_dir("corpus");
  const fs::path output = dir / "out.mp4";
  enginetest::BoxRecorder boxes;
  const enginetest::Format mp4{"mp4", 1, 1, 0, "mp4", 320, 240, 1, 44100, 128000,
                               "mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "aac"};
  enginetest::fill_parameters(mp4, output, 29.97f, 1000000);
  enginetest::open_files(input);
  auto& t = engine::state().tables;
  int result = 1;
  if (t.input_file_count > 0 && t.output_file_count > 0) result = engine::transcode();
  const bool had_output = t.output_file_count > 0;
  EXPECT_LE(boxes.boxes.size(), 1u);
  engine::release_files();
  EXPECT_EQ(t.input_file_count + t.output_file_count + t.input_codec_count + t.output_codec_count, 0);
  EXPECT_EQ(engine::state().settings.encode_buffer, nullptr);
  if (result == 0 && had_output && fs::file_size(output) > 0) {
    const auto info = testsupport::probe(output);
    EXPECT_TRUE(info.ok) << GetParam();
  }
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Files, Corpus, ::testing::ValuesIn(kCorpus), [](const auto& info) {
  std::string name = info.param;
  for (char& ch : name)
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
});

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// Every real file of the corpus (camcorder fragments, broadcast captures,
// truncated and audio-only or video-only streams) converts or fails
// cleanly: a job code, no crash, no hang, and a result file that a player
// can open.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string_view>

#include "batch/conversion_job.h"
#include "batch/job_setup.h"
#include "engine/engine.h"
#include "engine/state.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

// The corpus as its README lists it; the list is fixed so the tests are
// known before the corpus folder is looked up.
const char* const kCorpus[] = {
    "exiftool_M2TS_header_only.mts",
    "hachoir_Panasonic_AG_HMC_151.MTS",
    "hachoir_dvb_mpeg2_576i_truncated.m2ts",
    "filetype_panasonic_1080i_ac3_raw188.mts",
    "filetype_mpeg1_mp2_ps.mpg",
    "tsduck_test-025_mpeg2_576i_mp2.m2ts",
    "tsduck_test-026_h264_1080i_3xeac3_dvbsub.m2ts",
    "tsduck_test-143_multiprogram_dvbsub_teletext.m2ts",
    "exoplayer_sample_h262_mpeg_audio.mpg",
    "exoplayer_sample_ac3_audio_only.mpg",
    "filescraper_truncated_mid_packet.m2ts",
    "m3undle_h264_video_only.m2ts",
};

const char* const kFormats[] = {"mp4", "mpg2", "h.263"};

// The files cut to their headers: every other one holds pictures or sound
// and converts.
bool nothing_inside(std::string_view name) {
  return name == "exiftool_M2TS_header_only.mts" || name == "hachoir_Panasonic_AG_HMC_151.MTS";
}

class Corpus : public ::testing::TestWithParam<std::tuple<const char*, const char*>> {
 protected:
  engine::JobSpec spec;
};

TEST_P(Corpus, ConvertsOrFailsCleanly) {
  const auto& [name, format] = GetParam();
  const fs::path corpus = testsupport::corpus_dir();
  if (corpus.empty()) GTEST_SKIP() << "corpus not present";
  const fs::path source = corpus / name;
  ASSERT_TRUE(fs::exists(source)) << source;

  const auto dir = testsupport::temp_dir("corpus");
  presets::ConversionSettings c;
  c.format = format;
  c.width = std::string(format) == "h.263" ? 176 : 720;
  c.height = std::string(format) == "h.263" ? 144 : 576;
  c.fps = 25;
  c.video_bitrate = 2000000;
  c.audio_bitrate = 192000;
  c.save_beside_source = false;
  c.output_folder = dir.string();
  const auto output = batch::prepare_job(c, source, name, spec);

  const auto start = std::chrono::steady_clock::now();
  const int result = batch::convert_file(spec).code;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 60.0);
  EXPECT_TRUE(nothing_inside(name) || result == batch::kJobRan) << "job code " << result;
  // A converted file is a real one; a failed job leaves nothing.
  if (result == batch::kJobRan) {
    EXPECT_TRUE(testsupport::probe(output).ok) << output;
  } else {
    EXPECT_FALSE(fs::exists(output)) << "failed job left " << output;
  }
  fs::remove_all(dir);
}

// One flipped bit makes a picture's decoding time 25 minutes late, and the
// capture holds a picture whose decoding time is 16 hours early: the 2.1 s
// broadcast capture still gives about 2 s, converted or copied, not minutes
// or a day.
class CorpusDamage : public ::testing::TestWithParam<const char*> {};

TEST_P(CorpusDamage, DamagedTimestampsStretchNothing) {
  const fs::path corpus = testsupport::corpus_dir();
  if (corpus.empty()) GTEST_SKIP() << "corpus not present";
  const auto dir = testsupport::temp_dir("flipped");
  const fs::path source = dir / "flipped.m2ts";
  fs::copy_file(corpus / "tsduck_test-143_multiprogram_dvbsub_teletext.m2ts", source);
  {
    std::fstream file(source, std::ios::binary | std::ios::in | std::ios::out);
    file.seekg(4719);
    const char byte = static_cast<char>(file.get() ^ (1 << 5));
    file.seekp(4719);
    file.put(byte);
  }
  presets::ConversionSettings c;
  c.format = GetParam();
  c.width = 320;
  c.height = 240;
  c.fps = 25;
  c.video_bitrate = 768000;
  c.audio_bitrate = 128000;
  c.save_beside_source = false;
  c.output_folder = dir.string();
  engine::JobSpec spec;
  const auto output = batch::prepare_job(c, source, "flipped.m2ts", spec);
  ASSERT_EQ(batch::convert_file(spec).code, batch::kJobRan);
  EXPECT_NEAR(testsupport::probe(output).duration, 2.0, 0.9);
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Formats, CorpusDamage, ::testing::Values("mp4", "mp4 copy", "mkv copy"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& ch : name)
                             if (ch == ' ') ch = '_';
                           return name;
                         });

INSTANTIATE_TEST_SUITE_P(Files, Corpus, ::testing::Combine(::testing::ValuesIn(kCorpus), ::testing::ValuesIn(kFormats)),
                         [](const auto& info) {
                           std::string n = std::string(std::get<0>(info.param)) + "_" + std::get<1>(info.param);
                           for (char& ch : n)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

}  // namespace

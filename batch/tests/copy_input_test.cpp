// SPDX-License-Identifier: GPL-3.0-or-later
// Sources a copy must cope with, each with a clear outcome: a video MP4
// holds but browsers do not play, one MP4 cannot hold, Blu-ray LPCM, no
// sound at all, a timeline that jumps, a part that starts mid-GOP, streams
// Matroska cannot hold; and a Cancel in the middle of a copy.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "batch/conversion_job.h"
#include "batch/job_setup.h"
#include "batch/outcome_text.h"
#include "testsupport/media.h"
#include "testsupport/playback.h"

namespace {

namespace fs = std::filesystem;

class Copy : public ::testing::Test {
 protected:
  void SetUp() override { dir = testsupport::temp_dir("copy_input"); }
  void TearDown() override { fs::remove_all(dir); }

  engine::JobOutcome copy(const fs::path& source, const std::string& format, engine::JobHooks hooks = {}) {
    presets::ConversionSettings c;
    c.format = format;
    c.audio_bitrate = 192000;
    c.save_beside_source = false;
    c.output_folder = dir.string();
    c.keep_recording_date = false;
    engine::JobSpec spec;
    batch::prepare_job(c, source, source.filename().string(), spec);
    return batch::convert_file(spec, std::move(hooks));
  }

  // Plays to its end without a word from the decoders.
  static void expect_clean(const fs::path& output) {
    std::string errors;
    EXPECT_TRUE(testsupport::decodes_fully(output, &errors)) << errors;
  }

  fs::path dir;
};

// MPEG-2 from an .MPG: MP4 holds it (copied), and the row says browsers do
// not play it.
TEST_F(Copy, Mpeg2IntoMp4IsCopiedWithANote) {
  const auto outcome = copy(testsupport::mpeg2_ps_clip(1.0), "mp4 copy");
  ASSERT_EQ(outcome.code, batch::kJobRan);
  EXPECT_EQ(testsupport::probe(outcome.output_path).first("video")->codec_name, "mpeg2video");
  EXPECT_NE(batch::outcome_tooltip(outcome).find("Web browsers do not play MPEG-2 video"), std::string::npos)
      << outcome.notes;
  expect_clean(outcome.output_path);
}

// A video MP4 cannot hold fails the row and makes no file: never a silent
// change of container.
TEST_F(Copy, VideoMp4CannotHoldFailsTheRow) {
  const fs::path source = testsupport::cached_media(
      "ffv1_in_matroska.mts", "-f lavfi -i testsrc2=size=320x240:rate=25 -t 1 -c:v ffv1 -f matroska");
  const auto outcome = copy(source, "mp4 copy");
  EXPECT_EQ(batch::done_text(outcome), "Failed");
  EXPECT_EQ(batch::outcome_reason(outcome), "This video cannot be copied into MP4; use MKV copy");
  EXPECT_TRUE(fs::is_empty(dir));
}

// Blu-ray LPCM: AAC in the MP4; in Matroska, which refuses that packing,
// the very same samples as plain PCM.
TEST_F(Copy, BlurayLpcmBecomesAacOrTheSamePcm) {
  const fs::path source = testsupport::cached_media(
      "lpcm.m2ts", "-f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=sample_rate=48000 -t 1 "
                   "-ac 2 -c:v libx264 -preset ultrafast -c:a pcm_bluray -f mpegts -mpegts_m2ts_mode 1");
  const auto mp4 = copy(source, "mp4 copy");
  ASSERT_EQ(mp4.code, batch::kJobRan);
  EXPECT_EQ(testsupport::probe(mp4.output_path).first("audio")->codec_name, "aac");
  const auto mkv = copy(source, "mkv copy");
  ASSERT_EQ(mkv.code, batch::kJobRan);
  EXPECT_EQ(testsupport::probe(mkv.output_path).first("audio")->codec_name, "pcm_s16le");
  const auto samples = [](const fs::path& file) {
    std::string md5;
    testsupport::run("ffmpeg -nostdin -v error -i " + testsupport::quote(file.string()) + " -map 0:a -f s16le - | md5sum",
                     &md5);
    return md5;
  };
  EXPECT_EQ(samples(mkv.output_path), samples(source));
}

// Streams Matroska cannot hold (teletext, broadcast data) are left out and
// named; the rest of the first program is copied.
TEST_F(Copy, StreamsMatroskaCannotHoldAreNamed) {
  const fs::path corpus = testsupport::corpus_dir();
  if (corpus.empty()) GTEST_SKIP() << "corpus not present";
  const auto outcome = copy(corpus / "tsduck_test-143_multiprogram_dvbsub_teletext.m2ts", "mkv copy");
  ASSERT_EQ(outcome.code, batch::kJobRan);
  const std::string tooltip = batch::outcome_tooltip(outcome);
  EXPECT_NE(tooltip.find("Left out of the copy:"), std::string::npos) << tooltip;
  EXPECT_NE(tooltip.find("stream 7 (dvb_teletext subtitle)"), std::string::npos) << tooltip;
  EXPECT_NE(tooltip.find("stream 6 (scte_35 data)"), std::string::npos) << tooltip;
  const auto info = testsupport::probe(outcome.output_path);
  ASSERT_TRUE(info.first("video") && info.first("audio") && info.first("subtitle"));
}

class CopyEither : public Copy, public ::testing::WithParamInterface<const char*> {};

// A source without sound gives a file with the picture alone.
TEST_P(CopyEither, NoSoundGivesThePictureAlone) {
  const fs::path source = testsupport::cached_media(
      "no_sound.m2ts", "-f lavfi -i testsrc2=size=320x240:rate=25 -t 1 -c:v libx264 -preset ultrafast -f mpegts");
  const auto outcome = copy(source, GetParam());
  ASSERT_EQ(outcome.code, batch::kJobRan);
  const auto info = testsupport::probe(outcome.output_path);
  EXPECT_EQ(info.streams.size(), 1u);
  EXPECT_EQ(testsupport::frame_digests(outcome.output_path, "v:0"), testsupport::frame_digests(source, "v:0"));
}

// A paused recording's clock jumps 60 s ahead: the copy goes on without a
// hole and without a picture out of its place.
TEST_P(CopyEither, ATimelineJumpLeavesNoHole) {
  const auto first = testsupport::camcorder_clip(1);
  const auto second = testsupport::cached_media(
      "camcorder_1_offset60.m2ts",
      "-f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=880:sample_rate=48000 -t 1 -ac 2 "
      "-c:v libx264 -preset ultrafast -g 15 -pix_fmt yuv420p -c:a ac3 -b:a 128k -output_ts_offset 60 "
      "-f mpegts -mpegts_m2ts_mode 1");
  const fs::path source = dir / "jump.mts";
  testsupport::run("cat " + testsupport::quote(first.string()) + " " + testsupport::quote(second.string()) + " > " +
                   testsupport::quote(source.string()));
  const auto outcome = copy(source, GetParam());
  ASSERT_EQ(outcome.code, batch::kJobRan);
  EXPECT_NEAR(testsupport::probe(outcome.output_path).duration, 2.0, 0.1);
  EXPECT_EQ(testsupport::count_video_frames(outcome.output_path), 50);
  expect_clean(outcome.output_path);
}

// The last part of a recording starts in the middle of a group of
// pictures: the pictures before its first key picture cannot be decoded and
// are not copied; the rest plays cleanly.
TEST_P(CopyEither, APartStartingMidGopStartsAtItsFirstKeyPicture) {
  fs::create_directories(dir / "parts");
  const auto parts = testsupport::split_recording(testsupport::camcorder_clip(6), 3, dir / "parts");
  const auto outcome = copy(parts[2], GetParam());
  ASSERT_EQ(outcome.code, batch::kJobRan);
  std::string first;
  testsupport::run("ffprobe -v error -select_streams v -show_entries packet=flags -of csv=p=0 " +
                       testsupport::quote(outcome.output_path) + " | head -1",
                   &first);
  EXPECT_EQ(first.rfind("K", 0), 0u) << first;
  expect_clean(outcome.output_path);
}

// Cancel during a copy: the file is complete up to there and plays.
TEST_P(CopyEither, CancelLeavesACompletePlayableFile) {
  engine::JobCounters counters;
  std::atomic<bool> stop{false};
  engine::JobHooks hooks;
  hooks.counters = &counters;
  hooks.stop = &stop;
  std::thread canceller([&] {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (counters.decoded_frame_count.load() < 60 && std::chrono::steady_clock::now() < until)
      std::this_thread::yield();
    stop = true;
  });
  const auto outcome = copy(testsupport::camcorder_clip(30), GetParam(), hooks);
  canceller.join();
  ASSERT_EQ(outcome.code, batch::kJobCancelled) << batch::outcome_tooltip(outcome);
  const int pictures = testsupport::count_video_frames(outcome.output_path);
  EXPECT_GE(pictures, 50);
  EXPECT_LT(pictures, 750);
  expect_clean(outcome.output_path);
}

INSTANTIATE_TEST_SUITE_P(Formats, CopyEither, ::testing::Values("mp4 copy", "mkv copy"),
                         [](const auto& info) { return std::string(info.param).substr(0, 3); });

}  // namespace

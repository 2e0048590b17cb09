// SPDX-License-Identifier: GPL-3.0-or-later
// The formats people play today, over interlaced camcorder recordings:
// H.264 and HEVC in MP4 (their profile, level, size, rate, index first, AAC
// sound, a clean decode by the players' own software) and the copies into
// MP4 and Matroska, whose pictures and sound are the source's, bit for bit,
// for one file as for a recording joined from its parts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/conversion_job.h"
#include "batch/format_table.h"
#include "batch/job_setup.h"
#include "batch/outcome_text.h"
#include "testsupport/media.h"
#include "testsupport/playback.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kMp4 = "mov,mp4,m4a,3gp,3g2,mj2";
constexpr const char* kMatroska = "matroska,webm";

// Converts `source` (and its further parts) as the window would.
engine::JobOutcome convert(const fs::path& source, const std::string& format, const fs::path& folder,
                           int width = 0, int height = 0, float fps = 0, bool deinterlace = true,
                           const std::vector<fs::path>& further_parts = {}) {
  presets::ConversionSettings c;
  c.format = format;
  c.width = width;
  c.height = height;
  c.fps = fps;
  c.video_bitrate = 16000000;
  c.audio_bitrate = 192000;
  c.save_beside_source = false;
  c.output_folder = folder.string();
  c.deinterlace = deinterlace;
  c.keep_recording_date = false;
  engine::JobSpec spec;
  batch::prepare_job(c, source, source.filename().string(), spec);
  for (const auto& part : further_parts) spec.further_parts.push_back(part.string());
  return batch::convert_file(spec);
}

struct FormatCase {
  const char* name;
  const char* format;
  int source_width, source_height;  // of the 1 s interlaced clip (25 frames, 50 fields)
  int width, height;                // chosen size; 0: "Source"
  bool deinterlace;
  // What comes out:
  const char* container;
  const char* codec;
  const char* profile;  // nullptr: the source's (a copy)
  int level;            // 0: not checked
  const char* rate;
  const char* field_order;
  const char* tag;
  const char* audio;
  bool copy;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

const FormatCase kCases[] = {
    // 1080i at the source's rate: one picture per field, level 4.2.
    {"h264_1080p", "mp4 h.264", 1920, 1080, 1920, 1080, true, kMp4, "h264", "High", 42, "50/1", "progressive",
     "avc1", "aac", false},
    // Without deinterlacing the fields are coded as they come, in their order.
    {"h264_fields", "mp4 h.264", 720, 576, 0, 0, false, kMp4, "h264", "High", 41, "25/1", "tt", "avc1", "aac",
     false},
    {"hevc", "mp4 hevc", 720, 576, 0, 0, true, kMp4, "hevc", "Main", 0, "50/1", nullptr, "hvc1", "aac", false},
    {"mp4_copy", "mp4 copy", 1920, 1080, 0, 0, true, kMp4, "h264", nullptr, 0, "25/1", "tt", "avc1", "aac", true},
    {"mkv_copy", "mkv copy", 1920, 1080, 0, 0, true, kMatroska, "h264", nullptr, 0, "25/1", "tt", nullptr, "ac3",
     true},
};

class ModernFormat : public ::testing::TestWithParam<FormatCase> {
 protected:
  void SetUp() override { dir = testsupport::temp_dir(std::string("modern_") + GetParam().name); }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

TEST_P(ModernFormat, PlaysAsThePlayersExpect) {
  const FormatCase& c = GetParam();
  const fs::path source = testsupport::interlaced_clip(c.source_width, c.source_height);
  const auto outcome = convert(source, c.format, dir, c.width, c.height, 0, c.deinterlace);
  ASSERT_EQ(outcome.code, batch::kJobRan) << batch::outcome_tooltip(outcome);
  const fs::path output = outcome.output_path;

  const auto in = testsupport::probe(source);
  const auto out = testsupport::probe(output);
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.format_name, c.container);
  const auto* v = out.first("video");
  const auto* a = out.first("audio");
  ASSERT_TRUE(v && a);
  EXPECT_EQ(v->codec_name, c.codec);
  EXPECT_EQ(v->profile, c.profile ? c.profile : in.first("video")->profile);
  if (c.level) { EXPECT_EQ(v->level, c.level); }
  EXPECT_EQ(v->width, c.width ? c.width : c.source_width);
  EXPECT_EQ(v->height, c.height ? c.height : c.source_height);
  EXPECT_EQ(v->frame_rate, c.rate);
  EXPECT_EQ(v->pix_fmt, "yuv420p");
  if (c.field_order) { EXPECT_EQ(v->field_order, c.field_order); }
  if (c.tag) { EXPECT_EQ(v->codec_tag, c.tag); }
  EXPECT_EQ(a->codec_name, c.audio);
  EXPECT_EQ(a->sample_rate, 48000);
  EXPECT_EQ(a->channels, 2);
  if (std::string(c.audio) == "aac") { EXPECT_EQ(a->profile, "LC"); }
  if (c.container == std::string(kMp4)) { EXPECT_TRUE(testsupport::index_before_media(output)); }

  // As long as the source, to the picture.
  const double source_seconds = testsupport::count_video_frames(source) / 25.0;
  const double rate = c.rate == std::string("50/1") ? 50.0 : 25.0;
  EXPECT_NEAR(testsupport::count_video_frames(output) / rate, source_seconds, 1 / rate + 1e-6);
  std::string errors;
  EXPECT_TRUE(testsupport::decodes_fully(output, &errors)) << errors;

  if (c.copy) {
    EXPECT_EQ(testsupport::frame_digests(output, "v:0"), testsupport::frame_digests(source, "v:0"));
    if (c.audio == std::string("ac3")) {
      EXPECT_EQ(testsupport::frame_digests(output, "a:0"), testsupport::frame_digests(source, "a:0"));
    }
  }
  // Chromium cannot play HEVC: GStreamer's demuxer and decoder stand in.
  if (c.codec == std::string("hevc")) { EXPECT_EQ(testsupport::gstreamer_pictures(output), 50); }
}

INSTANTIATE_TEST_SUITE_P(Formats, ModernFormat, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ModernFormat, EveryLaterRowOfTheFormatTableIsTried) {
  for (const auto& row : batch::format_table().subspan(batch::kDesignedFormatCount))
    EXPECT_TRUE(std::any_of(std::begin(kCases), std::end(kCases),
                            [&](const FormatCase& c) { return std::string(c.format) == row.format; }))
        << row.format;
}

class JoinedCopy : public ::testing::TestWithParam<const char*> {};

// A recording the camcorder split into three files becomes one copy of the
// whole: every picture the recording holds, unchanged, in one file.
TEST_P(JoinedCopy, IsOneFileOfTheWholeRecordingUnchanged) {
  const fs::path dir = testsupport::temp_dir("joined_copy");
  const fs::path recording = testsupport::camcorder_clip(6);
  const auto parts = testsupport::split_recording(recording, 3, dir);
  const auto outcome = convert(parts[0], GetParam(), dir, 0, 0, 0, true, {parts[1], parts[2]});
  ASSERT_EQ(outcome.code, batch::kJobRan) << batch::outcome_tooltip(outcome);
  const auto digests = testsupport::frame_digests(outcome.output_path, "v:0");
  EXPECT_EQ(digests.size(), 150u);
  EXPECT_EQ(digests, testsupport::frame_digests(recording, "v:0"));
  EXPECT_NEAR(testsupport::probe(outcome.output_path).duration, 6.0, 0.1);
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Formats, JoinedCopy, ::testing::Values("mp4 copy", "mkv copy"),
                         [](const auto& info) { return std::string(info.param).substr(0, 3); });

// What we say plays in a browser does: Chromium (one start for all files)
// loads each H.264 MP4 and the copied MP4, knows its length and draws a
// picture that is not blank.
TEST(Browser, PlaysTheH264AndCopiedMp4s) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the browser is no part of the build; the normal build's run checks it";
#endif
  const fs::path dir = testsupport::temp_dir("browser");
  const fs::path interlaced = testsupport::interlaced_clip(1920, 1080);
  std::vector<fs::path> outputs;
  for (const auto& [format, width, height] :
       {std::tuple{"mp4 h.264", 1920, 1080}, std::tuple{"mp4 h.264", 1280, 720}, std::tuple{"mp4 copy", 0, 0}}) {
    const fs::path folder = dir / std::to_string(outputs.size());
    fs::create_directories(folder);
    const auto outcome = convert(interlaced, format, folder, width, height);
    ASSERT_EQ(outcome.code, batch::kJobRan) << batch::outcome_tooltip(outcome);
    outputs.push_back(outcome.output_path);
  }
  const auto plays = testsupport::play_in_browser(outputs);
  ASSERT_EQ(plays.size(), outputs.size()) << "no answer from chromium";
  for (size_t i = 0; i < plays.size(); ++i) {
    SCOPED_TRACE(outputs[i].string());
    EXPECT_EQ(plays[i].error, "");
    EXPECT_NEAR(plays[i].duration, testsupport::probe(outputs[i]).duration, 0.05);
    EXPECT_GT(plays[i].spread, 50);
  }
  fs::remove_all(dir);
}

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>

#include "probe/mediainfo.h"
#include "probe/probe.h"
#include "testsupport/media.h"

namespace fs = std::filesystem;

namespace {

// Settings text a file should show according to ffprobe's view of its first
// video stream; the bit rate figure is left to MediaInfo.
std::string size_prefix(const fs::path& file) {
  testsupport::ProbeInfo info = testsupport::probe(file);
  const testsupport::StreamInfo* video = info.first("video");
  if (!video) return "x (";
  return std::to_string(video->width) + "x" + std::to_string(video->height) + " (";
}

std::string floor_duration_text(const fs::path& file) {
  return probe::duration_text(static_cast<int>(std::floor(testsupport::probe(file).duration)));
}

void write_file(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class CorpusFacts : public ::testing::TestWithParam<const char*> {};

// Real files, healthy or not: frame size and duration agree with ffprobe.
// (filetype_mpeg1_mp2_ps.mpg is left out: its one picture is too little for
// MediaInfo to report a video stream.)
TEST_P(CorpusFacts, AgreeWithFfprobe) {
  fs::path dir = testsupport::corpus_dir();
  if (dir.empty()) GTEST_SKIP() << "no corpus";
  fs::path file = dir / GetParam();
  probe::FileFacts f = probe::describe_file(file.string());
  EXPECT_EQ(f.title, GetParam());
  EXPECT_EQ(f.settings.rfind(size_prefix(file), 0), 0u) << f.settings << " vs " << size_prefix(file);
  EXPECT_EQ(f.duration, floor_duration_text(file));
}

INSTANTIATE_TEST_SUITE_P(Files, CorpusFacts,
                         ::testing::Values("filetype_panasonic_1080i_ac3_raw188.mts",
                                           "tsduck_test-025_mpeg2_576i_mp2.m2ts",
                                           "exoplayer_sample_h262_mpeg_audio.mpg",
                                           "m3undle_h264_video_only.m2ts",
                                           "filescraper_truncated_mid_packet.m2ts"));

// A camcorder stream without a stream bit rate shows the file's overall rate.
TEST(Facts, TransportStreamShowsItsOverallRate) {
  const fs::path file = testsupport::corpus_dir() / "filetype_panasonic_1080i_ac3_raw188.mts";
  if (!fs::exists(file)) GTEST_SKIP() << "no corpus";
  const probe::FileFacts f = probe::describe_file(file.string());
  EXPECT_EQ(f.settings.find("(0 MBps)"), std::string::npos) << f.settings;
}

TEST(Facts, FileWithoutVideoShowsNoSize) {
  fs::path dir = testsupport::corpus_dir();
  if (dir.empty()) GTEST_SKIP() << "no corpus";
  probe::FileFacts f = probe::describe_file((dir / "exoplayer_sample_ac3_audio_only.mpg").string());
  EXPECT_EQ(f.settings, "x (0 MBps)");
}

// Not media, empty, missing or a named pipe: listed with no facts, at once.
TEST(Facts, UnreadableFilesGiveEmptyFactsWithoutHanging) {
  fs::path dir = testsupport::temp_dir("probe-bad");
  write_file(dir / "text.mts", std::string(5000, 'x'));
  write_file(dir / "empty.m2ts", "");
  ASSERT_EQ(::mkfifo((dir / "pipe.mts").c_str(), 0600), 0);
  for (const char* name : {"text.mts", "empty.m2ts", "missing.mpg", "pipe.mts"}) {
    std::string path = (dir / name).string();
    auto pending = std::async(std::launch::async, [path] { return probe::describe_file(path); });
    ASSERT_EQ(pending.wait_for(std::chrono::seconds(30)), std::future_status::ready) << name;
    probe::FileFacts f = pending.get();
    EXPECT_EQ(f.duration, "00:00") << name;
    EXPECT_EQ(f.settings, "x (0 MBps)") << name;
    EXPECT_EQ(f.title, name);
  }
  fs::remove_all(dir);
}

// Paths past the old 259-character limit and with non-ASCII names are read
// whole by both libraries.
TEST(Facts, LongAndNonAsciiPaths) {
  fs::path dir = testsupport::temp_dir("probe-long");
  fs::path deep = dir;
  for (int i = 0; i < 4; ++i) deep /= std::string(90, static_cast<char>('a' + i));
  fs::create_directories(deep);
  fs::path long_path = deep / "Urlaub \xc3\xa9t\xc3\xa9 2026.MTS";
  fs::copy_file(testsupport::avchd_clip(2.0), long_path);
  ASSERT_GT(long_path.string().size(), 400u);
  probe::FileFacts f = probe::describe_file(long_path.string());
  EXPECT_EQ(f.title, "Urlaub \xc3\xa9t\xc3\xa9 2026.MTS");
  EXPECT_EQ(f.path, long_path.string());
  EXPECT_EQ(f.duration, "00:02");
  EXPECT_EQ(f.settings.rfind("1920x1080 (", 0), 0u) << f.settings;
  fs::remove_all(dir);
}

// Without the library every value reads as the fixed text; loading is tried
// again on the next file, so a library that appears later is used.
TEST(MediaInfoLibrary, MissingLibraryTextAndRetry) {
  fs::path dir = testsupport::temp_dir("probe-nolib");
  fs::path lib = dir / "libmediainfo.so.0";
  probe::set_mediainfo_library(lib.string());
  std::string clip = testsupport::avchd_clip(2.0).string();
  const std::string missing = std::string(probe::kMediaInfoMissingText);
  for (int attempt = 0; attempt < 2; ++attempt) {
    probe::FileFacts f = probe::describe_file(clip);
    EXPECT_EQ(f.settings, missing + "x" + missing + " (0 MBps)");
    EXPECT_EQ(f.duration, "00:02");
  }
  fs::path real;
  for (const char* d : {"/usr/lib/x86_64-linux-gnu", "/usr/lib/aarch64-linux-gnu", "/usr/lib"}) {
    if (fs::exists(fs::path(d) / "libmediainfo.so.0")) real = fs::path(d) / "libmediainfo.so.0";
  }
  if (real.empty()) GTEST_SKIP() << "libmediainfo.so.0 not found for the retry half";
  fs::create_symlink(real, lib);
  probe::FileFacts f = probe::describe_file(clip);
  EXPECT_EQ(f.settings.rfind("1920x1080 (", 0), 0u) << f.settings;
  fs::remove_all(dir);
}

}  // namespace

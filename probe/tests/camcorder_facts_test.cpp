// SPDX-License-Identifier: GPL-3.0-or-later
// What the list learns of camcorder files before converting them: the
// recording date, which files are parts of one recording, and which files
// a card's folder tree holds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "probe/folder_walk.h"
#include "probe/probe.h"
#include "probe/recording_time.h"
#include "probe/spanned.h"
#include "testsupport/media.h"

namespace fs = std::filesystem;

namespace {

constexpr int64_t kJan26 = 1327569515;  // 2012-01-26 09:18:35 UTC

struct DateCase {
  const char* text;
  std::optional<int64_t> seconds;
};

class RecordedDate : public ::testing::TestWithParam<DateCase> {};

TEST_P(RecordedDate, ReadsTheZoneOrRefuses) {
  EXPECT_EQ(probe::parse_recorded_date(GetParam().text), GetParam().seconds) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RecordedDate,
    ::testing::Values(DateCase{"2012-01-26 09:18:35 UTC", kJan26}, DateCase{"UTC 2012-01-26 09:18:35", kJan26},
                      DateCase{"2012-01-26T18:18:35+09:00", kJan26}, DateCase{"2012-01-26 07:48:35.120-0130", kJan26},
                      DateCase{"2012-01-26 09:18:35Z", kJan26}, DateCase{"", std::nullopt},
                      DateCase{"2012-13-26 09:18:35 UTC", std::nullopt}, DateCase{"yesterday", std::nullopt},
                      DateCase{"2012-01-26 09:18:35 +99:00", std::nullopt}));

struct CorpusDate {
  const char* file;
  int64_t seconds;
};

class CorpusRecordingTime : public ::testing::TestWithParam<CorpusDate> {};

// The real Panasonic clips carry their recording time; the row shows it.
TEST_P(CorpusRecordingTime, IsTheCamerasDate) {
  const fs::path corpus = testsupport::corpus_dir();
  if (corpus.empty()) GTEST_SKIP() << "corpus not present";
  const auto when = probe::recording_time((corpus / GetParam().file).string());
  ASSERT_TRUE(when);
  EXPECT_TRUE(when->from_camera);
  EXPECT_EQ(when->seconds, GetParam().seconds);
  const probe::FileFacts facts = probe::describe_file((corpus / GetParam().file).string());
  EXPECT_EQ(facts.tooltip.rfind("Recorded: ", 0), 0u) << facts.tooltip;
}

INSTANTIATE_TEST_SUITE_P(Panasonic, CorpusRecordingTime,
                         ::testing::Values(CorpusDate{"filetype_panasonic_1080i_ac3_raw188.mts", kJan26},
                                           CorpusDate{"hachoir_Panasonic_AG_HMC_151.MTS", 1247150015}));

// A file without a recorded date falls back to its modification time.
TEST(RecordingTime, WithoutARecordedDateIsTheFileTime) {
  const fs::path dir = testsupport::temp_dir("recorded");
  const fs::path clip = dir / "clip.MTS";
  fs::copy_file(testsupport::camcorder_clip(1), clip);
  const auto when = probe::recording_time(clip.string());
  ASSERT_TRUE(when);
  EXPECT_FALSE(when->from_camera);
  EXPECT_EQ(when->seconds, std::chrono::duration_cast<std::chrono::seconds>(
                               std::chrono::file_clock::to_sys(fs::last_write_time(clip)).time_since_epoch())
                               .count());
  fs::remove_all(dir);
}

// The files of a folder in the order they are handed to the grouping.
std::vector<std::vector<std::string>> groups_of(const std::vector<fs::path>& files, bool join = true) {
  std::vector<std::string> paths;
  for (const auto& f : files) paths.push_back(f.string());
  std::vector<std::vector<std::string>> groups;
  probe::group_recordings(paths, join, [&](std::vector<std::string> parts) { groups.push_back(std::move(parts)); });
  return groups;
}

std::vector<size_t> sizes_of(const std::vector<std::vector<std::string>>& groups) {
  std::vector<size_t> sizes;
  for (const auto& g : groups) sizes.push_back(g.size());
  return sizes;
}

class Spanned : public ::testing::Test {
 protected:
  void SetUp() override { dir = testsupport::temp_dir("spanned"); }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

// A 6 s recording cut at packet boundaries into three files is one recording.
TEST_F(Spanned, PartsOfOneRecordingJoin) {
  const auto parts = testsupport::split_recording(testsupport::camcorder_clip(6), 3, dir);
  EXPECT_EQ(sizes_of(groups_of(parts)), (std::vector<size_t>{3}));
  EXPECT_EQ(sizes_of(groups_of(parts, false)), (std::vector<size_t>{1, 1, 1}));
  const probe::FileFacts facts = probe::describe_recording(groups_of(parts).front());
  EXPECT_EQ(facts.title, "00000.MTS (+2 parts)");
  EXPECT_EQ(facts.duration, "00:06");
  EXPECT_NE(facts.tooltip.find("3 parts, "), std::string::npos) << facts.tooltip;
}

// Consecutive names alone do not make parts: the timestamps must continue.
TEST_F(Spanned, UnrelatedClipsWithConsecutiveNamesStayApart) {
  fs::copy_file(testsupport::camcorder_clip(2, 440), dir / "00000.MTS");
  fs::copy_file(testsupport::camcorder_clip(2, 660), dir / "00001.MTS");
  EXPECT_EQ(sizes_of(groups_of({dir / "00000.MTS", dir / "00001.MTS"})), (std::vector<size_t>{1, 1}));
}

// A missing part ends the join; the parts after the gap make their own row.
TEST_F(Spanned, AGapEndsTheJoin) {
  const auto parts = testsupport::split_recording(testsupport::camcorder_clip(6), 4, dir);
  fs::remove(parts[2]);
  EXPECT_EQ(sizes_of(groups_of({parts[0], parts[1], parts[3]})), (std::vector<size_t>{2, 1}));
}

TEST(PartNames, FollowOnlyTheNextNumber) {
  EXPECT_TRUE(probe::is_next_name("/c/STREAM/00009.MTS", "/c/STREAM/00010.MTS"));
  EXPECT_TRUE(probe::is_next_name("/c/MVI_0099.mts", "/c/MVI_0100.mts"));
  EXPECT_FALSE(probe::is_next_name("/c/00001.MTS", "/c/00003.MTS"));
  EXPECT_FALSE(probe::is_next_name("/a/00001.MTS", "/b/00002.MTS"));
  EXPECT_FALSE(probe::is_next_name("/c/00001.MTS", "/c/00002.M2TS"));
  EXPECT_FALSE(probe::is_next_name("/c/99.MTS", "/c/100.MTS"));
}

// A card's tree goes in whole and in name order; hidden folders, other
// files and a link back up the tree add nothing.
TEST(FolderWalk, FindsACardsClipsInNameOrder) {
  const fs::path card = testsupport::temp_dir("card");
  const fs::path stream = card / "PRIVATE" / "AVCHD" / "BDMV" / "STREAM";
  fs::create_directories(stream);
  fs::create_directories(card / ".Trash");
  fs::create_directories(card / "DCIM");
  for (const fs::path& f : {stream / "00001.MTS", stream / "00000.MTS", card / ".Trash" / "00002.MTS",
                            stream / ".00003.MTS", card / "DCIM" / "IMG_0001.JPG", card / "DCIM" / "MOV.mpg"})
    std::ofstream(f) << "x";
  fs::create_directory_symlink("../..", stream / "loop");
  const std::vector<std::string> expected{(card / "DCIM" / "MOV.mpg").string(), (stream / "00000.MTS").string(),
                                          (stream / "00001.MTS").string()};
  EXPECT_EQ(probe::accepted_files_below(card.string()), expected);
  EXPECT_TRUE(probe::accepted_files_below((card / "missing").string()).empty());
  fs::remove_all(card);
}

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// Output naming: the first free name beside the source or in the chosen
// folder, the numeric suffix, names without a usable ".", and never the
// source itself.
#include <gtest/gtest.h>

#include <fstream>

#include "batch/output_path.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;
using batch::make_output_path;

class OutputPath : public ::testing::Test {
 protected:
  void SetUp() override { dir = testsupport::temp_dir("outpath"); }
  void TearDown() override { fs::remove_all(dir); }
  fs::path touch(const fs::path& p) {
    std::ofstream(p).put('x');
    return p;
  }
  fs::path dir;
};

TEST_F(OutputPath, BesideTheSourceTakesTheFirstFreeSuffix) {
  const auto source = touch(dir / "clip.mts");
  EXPECT_EQ(make_output_path(source, "clip.mts", true, {}, "avi"), dir / "clip.avi");
  touch(dir / "clip.avi");
  touch(dir / "clip1.avi");
  EXPECT_EQ(make_output_path(source, "clip.mts", true, {}, "avi"), dir / "clip2.avi");
  // A folder or a dangling link takes a name too.
  fs::create_directory(dir / "clip2.avi");
  fs::create_symlink(dir / "gone", dir / "clip3.avi");
  EXPECT_EQ(make_output_path(source, "clip.mts", true, {}, "avi"), dir / "clip4.avi");
}

TEST_F(OutputPath, ChosenFolderWithOrWithoutTrailingSlash) {
  const auto out = dir / "out";
  fs::create_directory(out);
  const fs::path source = "/elsewhere/clip.m2ts";
  EXPECT_EQ(make_output_path(source, "clip.m2ts", false, out, "flv"), out / "clip.flv");
  EXPECT_EQ(make_output_path(source, "clip.m2ts", false, out.string() + "/", "flv"), out / "clip.flv");
}

// A name without a "." (or with only a leading one) keeps its whole name and
// gains the extension, in the folder it belongs to; a one-letter stem is
// still a stem.
TEST_F(OutputPath, NameWithoutUsableDotGetsTheExtensionAppended) {
  const auto source = touch(dir / "recording");
  EXPECT_EQ(make_output_path(source, "recording", true, {}, "mp4"), dir / "recording.mp4");
  const auto short_name = touch(dir / "a.mts");
  EXPECT_EQ(make_output_path(short_name, "a.mts", true, {}, "mp4"), dir / "a.mp4");
  const auto out = dir / "out";
  fs::create_directory(out);
  EXPECT_EQ(make_output_path("/x/.hidden", ".hidden", false, out, "avi"), out / ".hidden.avi");
}

// A "." in a folder name is no extension: the output stays in the folder.
TEST_F(OutputPath, DotInAFolderNameDoesNotMoveTheOutput) {
  fs::create_directory(dir / "trip.2026");
  const auto source = touch(dir / "trip.2026" / "clip");
  EXPECT_EQ(make_output_path(source, "clip", true, {}, "avi"), dir / "trip.2026" / "clip.avi");
}

TEST_F(OutputPath, NeverNamesTheSource) {
  const auto source = touch(dir / "clip.avi");
  EXPECT_EQ(make_output_path(source, "clip.avi", true, {}, "avi"), dir / "clip1.avi");
  // Also when the source is reached through the chosen folder, or is gone.
  EXPECT_EQ(make_output_path(source, "clip.avi", false, dir, "avi"), dir / "clip1.avi");
  const fs::path missing = dir / "missing.avi";
  EXPECT_NE(make_output_path(missing, "missing.avi", true, {}, "avi"), missing);
}

// A 251-byte stem ending in a two-byte character: its numbered name would
// be 256 bytes, one more than a file name may have; the stem gives way, a
// whole character at a time.
TEST_F(OutputPath, NumberedNameTooLongShortensTheStem) {
  const std::string stem = std::string(249, 'a') + "\xc3\xa9";
  const auto source = touch(dir / (stem + ".mts"));
  const auto first = make_output_path(source, source.filename().string(), true, {}, "mpg");
  EXPECT_EQ(first, dir / (stem + ".mpg"));
  touch(first);
  const auto second = make_output_path(source, source.filename().string(), true, {}, "mpg");
  EXPECT_EQ(second, dir / (std::string(249, 'a') + "1.mpg"));
  EXPECT_TRUE(std::ofstream(second).put('x').good());
}

TEST_F(OutputPath, TitleCannotLeadOutOfTheChosenFolder) {
  const auto out = dir / "out";
  fs::create_directory(out);
  EXPECT_EQ(make_output_path("/x/clip.mts", "../../clip.mts", false, out, "avi"), out / "clip.avi");
}

}  // namespace

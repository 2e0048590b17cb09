// SPDX-License-Identifier: GPL-3.0-or-later
// The INI reader and writer of Config.ini.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/settings_file.h"
#include "app/tests/app_test_env.h"

namespace fs = std::filesystem;
using app::read_setting;
using app::write_setting;
using apptest::read_file;
using apptest::settings_file;
using apptest::write_file;

namespace {

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override { home_ = apptest::fresh_config_home(); }
  fs::path home_;
};

TEST_F(SettingsFile, FirstWriteCreatesFileThatReadsBack) {
  EXPECT_FALSE(fs::exists(settings_file()));
  EXPECT_EQ(read_setting("output", "format"), "");
  write_setting("output", "format", "MPG2");
  write_setting("general", "firstlaunch", "1");
  EXPECT_EQ(read_file(settings_file()), "[output]\nformat=MPG2\n\n[general]\nfirstlaunch=1\n");
  EXPECT_EQ(read_setting("OUTPUT", "Format"), "MPG2");
  EXPECT_EQ(read_setting("general", "firstlaunch"), "1");
  EXPECT_EQ(read_setting("general", "format"), "") << "keys belong to their section";
}

TEST_F(SettingsFile, WritesKeepOtherSectionsCommentsAndOddCase) {
  const std::string before =
      "; written by hand\n"
      "[Other]\n"
      "Format = keep me\n"
      "\n"
      "[OUTPUT]\n"
      "# a note\n"
      "FORMAT =  Avi  \n"
      "Size=320x240\n"
      "\n"
      "[general]\n"
      "firstlaunch=1\n";
  write_file(settings_file(), before);
  EXPECT_EQ(read_setting("output", "format"), "Avi") << "values are trimmed";
  write_setting("output", "format", "WMV");   // replaced in place
  write_setting("output", "fps", "25");       // added at the end of its section
  write_setting("new", "key", "v");           // new section at the end
  EXPECT_EQ(read_file(settings_file()),
            "; written by hand\n"
            "[Other]\n"
            "Format = keep me\n"
            "\n"
            "[OUTPUT]\n"
            "# a note\n"
            "format=WMV\n"
            "Size=320x240\n"
            "fps=25\n"
            "\n"
            "[general]\n"
            "firstlaunch=1\n"
            "\n"
            "[new]\n"
            "key=v\n");
  EXPECT_EQ(read_setting("other", "format"), "keep me");
}

TEST_F(SettingsFile, WindowsLineEndsStayWindowsLineEnds) {
  write_file(settings_file(), "[output]\r\nsize=320x240\r\n");
  EXPECT_EQ(read_setting("output", "size"), "320x240");
  write_setting("output", "fps", "25");
  EXPECT_EQ(read_file(settings_file()), "[output]\r\nsize=320x240\r\nfps=25\r\n");
}

TEST_F(SettingsFile, ReadsSeeChangesMadeBetweenCalls) {
  write_setting("output", "fps", "25");
  write_file(settings_file(), "[output]\nfps=30\n");
  EXPECT_EQ(read_setting("output", "fps"), "30");
}

TEST_F(SettingsFile, LongValuesAreCutAndLineBreaksCannotAddLines) {
  write_setting("output", "path", std::string(400, 'a'));
  EXPECT_EQ(read_setting("output", "path"), std::string(259, 'a'));
  write_setting("output", "path", "/tmp/x\n[general]\nfirstlaunch=0");
  EXPECT_EQ(read_setting("output", "path"), "/tmp/x");
  EXPECT_EQ(read_setting("general", "firstlaunch"), "");
}

TEST_F(SettingsFile, WriteLeavesNoTemporaryFileBehind) {
  for (int i = 0; i < 5; ++i) write_setting("output", "fps", std::to_string(i));
  int files = 0;
  for (const auto& entry : fs::directory_iterator(settings_file().parent_path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST_F(SettingsFile, BinaryFileReadsEmptyAndKeepsItsBytesOnWrite) {
  const std::string junk("\x7f" "ELF\0\x01\xff\xfe[output\n\0=\0", 17);
  write_file(settings_file(), junk);
  EXPECT_EQ(read_setting("output", "format"), "");
  write_setting("output", "format", "MPG2");
  const std::string after = read_file(settings_file());
  EXPECT_EQ(after.substr(0, junk.size()), junk);
  EXPECT_EQ(read_setting("output", "format"), "MPG2");
}

TEST_F(SettingsFile, UnreadableFileIsNeitherReadNorReplaced) {
  // A folder standing at the file's path cannot be read as a file.
  fs::create_directory(settings_file());
  fs::path inside = settings_file() / "keep";
  write_file(inside, "x");
  EXPECT_EQ(read_setting("output", "format"), "");
  write_setting("output", "format", "MPG2");
  EXPECT_TRUE(fs::is_directory(settings_file()));
  EXPECT_EQ(read_file(inside), "x");
}

TEST_F(SettingsFile, NoUsableFolderMeansEmptyReadsAndQuietWrites) {
  // A config home that is a plain file: the per-user folder cannot exist.
  fs::path plain = home_ / "plain";
  write_file(plain, "not a folder");
  apptest::use_config_home(plain);
  write_setting("output", "format", "MPG2");
  EXPECT_EQ(read_setting("output", "format"), "");
  EXPECT_EQ(read_file(plain), "not a folder");
}

struct IntCase {
  const char* text;
  long long value;
};

class SettingAsInt : public ::testing::TestWithParam<IntCase> {};

TEST_P(SettingAsInt, ReadsLeadingNumber) { EXPECT_EQ(app::setting_as_int(GetParam().text), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(Values, SettingAsInt,
                         ::testing::Values(IntCase{"", 0}, IntCase{"abc", 0}, IntCase{"yes", 0},
                                           IntCase{"12abc", 12}, IntCase{"  -3", -3}, IntCase{"+7", 7},
                                           IntCase{"0", 0}, IntCase{"- 5", 0},
                                           IntCase{"99999999999999999999999", 9223372036854775807LL}),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The user's choices across a restart: restored at opening, saved at close.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

#include "app/ids.h"
#include "app/main_window.h"
#include "app/option_controls.h"
#include "app/settings_file.h"
#include "app/tests/app_test_env.h"
#include "app/window_work.h"

namespace fs = std::filesystem;
using namespace app;

namespace {

QString shown(MainWindow& w, int id) {
  if (auto* list = w.control_as<QComboBox>(id)) return list->currentText();
  return w.control_as<QLineEdit>(id)->text();
}

struct RestoreCase {
  const char* key;
  const char* stored;
  int control;
  const char* expected;
  int expected_position;  // -1: not checked
};

class RestoreOne : public ::testing::TestWithParam<RestoreCase> {
 protected:
  void SetUp() override { apptest::fresh_config_home(); }
};

TEST_P(RestoreOne, ShowsTheDesignedEntry) {
  const RestoreCase& c = GetParam();
  write_setting("output", c.key, c.stored);
  MainWindow w;
  EXPECT_EQ(shown(w, c.control), QString::fromUtf8(c.expected));
  if (c.expected_position >= 0) {
    EXPECT_EQ(w.control_as<QComboBox>(c.control)->currentIndex(), c.expected_position);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Stored, RestoreOne,
    ::testing::Values(RestoreCase{"format", "mpg2", kIdFormatList, "MPG2", 5},
                      RestoreCase{"format", "MPG", kIdFormatList, "MPG1", 4},
                      RestoreCase{"format", "nonsense", kIdFormatList, "MPG2", 5},
                      RestoreCase{"format", "MP4", kIdFormatList, "MP4", 3},
                      RestoreCase{"format", "MKV copy", kIdFormatList, "MKV copy", 10},
                      RestoreCase{"size", "Source", kIdSizeList, "Source", 29},
                      RestoreCase{"fps", "Source", kIdFpsList, "Source", 9},
                      RestoreCase{"size", "720x576", kIdSizeList, "720x576", 22},
                      RestoreCase{"size", "704x480", kIdSizeList, "704x480", 17},
                      RestoreCase{"fps", "29", kIdFpsList, "29.97", -1},
                      RestoreCase{"audiobitrate", "12", kIdAudioBitrateList, "128", 8},
                      RestoreCase{"aspect", "4/3", kIdAspectList, "4/3", 0},
                      RestoreCase{"preset", "FLV (Medium quality", kIdPresetList, "FLV (Medium quality)", 8},
                      RestoreCase{"videobitrate", "abc", kIdVideoBitrate, "9000", -1},
                      RestoreCase{"videobitrate", "0", kIdVideoBitrate, "9000", -1},
                      RestoreCase{"videobitrate", "", kIdVideoBitrate, "9000", -1},
                      RestoreCase{"videobitrate", "12abc", kIdVideoBitrate, "12abc", -1},
                      RestoreCase{"videobitrate", "2500", kIdVideoBitrate, "2500", -1}),
    [](const auto& info) {
      std::string name = std::string(info.param.key) + "_" + info.param.stored;
      for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name + "_" + std::to_string(info.index);
    });

class Restore : public ::testing::Test {
 protected:
  void SetUp() override { apptest::fresh_config_home(); }
};

TEST_F(Restore, SaveModeOneSelectsSaveHereAndYesDoesNot) {
  write_setting("output", "savemode", "1");
  {
    MainWindow w;
    EXPECT_TRUE(w.control_as<QRadioButton>(kIdSaveHere)->isChecked());
    EXPECT_TRUE(w.control(kIdBrowseFolder)->isEnabled());
  }
  write_setting("output", "savemode", "yes");
  MainWindow w;
  EXPECT_TRUE(w.control_as<QRadioButton>(kIdSaveBesideSource)->isChecked());
  EXPECT_FALSE(w.control(kIdBrowseFolder)->isEnabled());
}

TEST_F(Restore, PreviewAndFolder) {
  const fs::path folder = apptest::settings_file().parent_path();
  write_setting("output", "preview", "1");
  write_setting("output", "path", folder.string());
  {
    MainWindow w;
    EXPECT_TRUE(w.control_as<QCheckBox>(kIdPreviewBox)->isChecked());
    EXPECT_TRUE(w.work().batch().preview());
    EXPECT_EQ(shown(w, kIdOutputFolder).toStdString(), folder.string());
  }
  write_setting("output", "path", (folder / "gone").string());
  MainWindow w;
  EXPECT_EQ(shown(w, kIdOutputFolder), QStandardPaths::writableLocation(QStandardPaths::MoviesLocation));
}

TEST_F(Restore, PresetIsSelectedButNotApplied) {
  write_setting("output", "preset", "DVD NTSC");
  MainWindow w;
  EXPECT_EQ(shown(w, kIdPresetList), QStringLiteral("DVD NTSC"));
  EXPECT_EQ(shown(w, kIdFpsList), QStringLiteral("24"));
  EXPECT_EQ(shown(w, kIdSizeList), QStringLiteral("1280x720"));
}

TEST_F(Restore, ChoicesSurviveARestartWithNineKeysInOrder) {
  {
    MainWindow w;
    w.control_as<QComboBox>(kIdPresetList)->setCurrentIndex(8);  // "FLV (Medium quality)"
    w.control_as<QComboBox>(kIdFormatList)->setCurrentIndex(0);  // "Avi"
    w.control_as<QComboBox>(kIdSizeList)->setCurrentIndex(26);   // second "720x576"
    w.control_as<QComboBox>(kIdFpsList)->setCurrentIndex(5);     // "29.97"
    w.control_as<QComboBox>(kIdAudioBitrateList)->setCurrentIndex(0);
    w.control_as<QComboBox>(kIdAspectList)->setCurrentIndex(0);
    w.control_as<QLineEdit>(kIdVideoBitrate)->setText(QStringLiteral("1234567890123456789012"));
    w.control_as<QCheckBox>(kIdPreviewBox)->click();
    w.control_as<QRadioButton>(kIdSaveHere)->click();
    w.control_as<QCheckBox>(kIdDeinterlaceBox)->click();
    w.control_as<QCheckBox>(kIdJoinBox)->click();
    w.close();
  }
  const std::string saved = apptest::read_file(apptest::settings_file());
  EXPECT_NE(saved.find("deinterlace=0\nkeepdate=1\njoinclips=0\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("[output]\npreset=FLV (Medium quality\nfps=29.97\nvideobitrate=1234567890123456789\n"
                       "audiobitrate=12.2\naspect=4/3\nsize=720x576\nformat=Avi\npreview=1\nsavemode=1\n"),
            std::string::npos)
      << saved;
  MainWindow w;
  EXPECT_EQ(shown(w, kIdPresetList), QStringLiteral("FLV (Medium quality)"));
  EXPECT_EQ(shown(w, kIdFormatList), QStringLiteral("Avi"));
  EXPECT_EQ(w.control_as<QComboBox>(kIdSizeList)->currentIndex(), 22) << "the first 720x576";
  EXPECT_EQ(shown(w, kIdFpsList), QStringLiteral("29.97"));
  EXPECT_EQ(shown(w, kIdAudioBitrateList), QStringLiteral("12.2"));
  EXPECT_EQ(shown(w, kIdAspectList), QStringLiteral("4/3"));
  EXPECT_EQ(shown(w, kIdVideoBitrate), QStringLiteral("1234567890123456789"));
  EXPECT_TRUE(w.control_as<QCheckBox>(kIdPreviewBox)->isChecked());
  EXPECT_TRUE(w.control_as<QRadioButton>(kIdSaveHere)->isChecked());
  EXPECT_FALSE(w.control_as<QCheckBox>(kIdDeinterlaceBox)->isChecked());
  EXPECT_TRUE(w.control_as<QCheckBox>(kIdKeepDateBox)->isChecked());
  EXPECT_FALSE(w.control_as<QCheckBox>(kIdJoinBox)->isChecked());
  EXPECT_FALSE(app::read_conversion_settings(w).deinterlace);
}

// "Files at once" is kept under "general" beside the first-launch keys,
// which closing leaves as they were.
TEST_F(Restore, ClosingTwiceWritesTheSameFileAndLeavesPathAndGeneralAlone) {
  const std::string path = apptest::settings_file().parent_path().string();
  apptest::write_file(apptest::settings_file(),
                      "[general]\nfirstlaunch=1\ndealio=True\njobs=1\n\n[output]\npath=" + path + "\n");
  {
    MainWindow w;
    EXPECT_EQ(shown(w, kIdFilesAtOnceList), QStringLiteral("1"));
    w.close();
  }
  const std::string first = apptest::read_file(apptest::settings_file());
  { MainWindow().close(); }
  EXPECT_EQ(apptest::read_file(apptest::settings_file()), first);
  EXPECT_EQ(first.rfind("[general]\nfirstlaunch=1\ndealio=True\njobs=1\ndeinterlace=1\nkeepdate=1\njoinclips=1\n"
                        "whendone=0\nwindowsize=", 0), 0u)
      << first;
  EXPECT_NE(first.find("\n\n[output]\npath=" + path + "\n"), std::string::npos) << first;
}

// The window opens at the size it was left at, within the screen and never
// below the smallest it gets; anything else stored is ignored.
TEST_F(Restore, WindowSizeComesBackWithinTheScreen) {
  QSize default_size, smallest, screen;
  const QSize left_at(760, 590);
  {
    MainWindow w;
    default_size = w.size();
    smallest = w.minimumSizeHint();
    screen = w.screen()->availableGeometry().size();
    ASSERT_EQ(left_at.boundedTo(screen).expandedTo(smallest), left_at) << "the test's size fits this screen";
    w.resize(left_at);
    w.close();
  }
  EXPECT_EQ(read_setting("general", "windowsize"), "760x590");
  const std::pair<const char*, QSize> cases[] = {
      {"760x590", left_at},          {"99999x99999", screen.expandedTo(smallest)},
      {"10x10", smallest},           {"1024x", default_size},
      {"-800x600", default_size},    {"800x600 and more", default_size},
  };
  for (const auto& [stored, expected] : cases) {
    write_setting("general", "windowsize", stored);
    EXPECT_EQ(MainWindow().size(), expected) << stored;
  }
}

// Whatever stands at Config.ini, the window opens with the defaults.
class DamagedFile : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { apptest::fresh_config_home(); }
};

TEST_P(DamagedFile, OpensWithDefaults) {
  const std::string kind = GetParam();
  const fs::path file = apptest::settings_file();
  if (kind == "empty") apptest::write_file(file, "");
  if (kind == "binary") apptest::write_file(file, std::string("\0\xff\x01[output]\0format=Avi\n", 22) + "\xfe\xfe");
  if (kind == "folder") fs::create_directory(file);
  if (kind == "nofolder") {
    const fs::path plain = file.parent_path() / "plain";
    apptest::write_file(plain, "x");
    apptest::use_config_home(plain);
  }
  MainWindow w;
  EXPECT_EQ(shown(w, kIdFormatList), QStringLiteral("MPG2"));
  EXPECT_EQ(shown(w, kIdVideoBitrate), QStringLiteral("9000"));
  EXPECT_EQ(shown(w, kIdPresetList), QStringLiteral("MPEG2 HD"));
  EXPECT_TRUE(w.control_as<QRadioButton>(kIdSaveBesideSource)->isChecked());
  w.close();  // the save must not fail loudly either
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedFile,
                         ::testing::Values("missing", "empty", "binary", "folder", "nofolder"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace

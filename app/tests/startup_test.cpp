// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: where the per-user folder and Config.ini are, and the skin.

#include <QApplication>

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "app/settings_file.h"
#include "app/startup.h"
#include "app/tests/app_test_env.h"
#include "testsupport/media.h"

namespace fs = std::filesystem;

namespace {

TEST(StartupFolder, FirstStartCreatesThePerUserFolderButNoFile) {
  fs::path home = apptest::fresh_config_home();
  EXPECT_EQ(app::settings_path(), (home / "Clipmill" / "Config.ini").string());
  EXPECT_TRUE(fs::is_directory(home / "Clipmill"));
  EXPECT_FALSE(fs::exists(home / "Clipmill" / "Config.ini"));
}

TEST(StartupFolder, HomeEndingInSlashGetsNoSecondOne) {
  fs::path home = testsupport::temp_dir("slash");
  EXPECT_EQ(app::settings_path_for(home.string() + "/"), home.string() + "/Clipmill/Config.ini");
  fs::remove_all(home);
}

// An account whose configuration home does not exist yet: the folders are
// made private, as the XDG rules ask, and settings then survive a restart.
TEST(StartupFolder, MissingConfigHomeIsMadePrivateAndSettingsPersist) {
  fs::path base = testsupport::temp_dir("fresh");
  const fs::path home = base / "home" / ".config";
  apptest::use_config_home(home);
  EXPECT_EQ(app::settings_path(), (home / "Clipmill" / "Config.ini").string());
  for (const fs::path& made : {home.parent_path(), home})
    EXPECT_EQ(fs::status(made).permissions(), fs::perms::owner_all) << made;
  app::write_setting("output", "format", "wmv");
  apptest::use_config_home(home);  // the next start
  EXPECT_EQ(app::read_setting("output", "format"), "wmv");
  EXPECT_EQ(app::settings_path_for(""), "");
  fs::remove_all(base);
  apptest::fresh_config_home();
}

class Skin : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testsupport::temp_dir("skin");
    old_ = fs::current_path();
    fs::current_path(dir_);
    qApp->setStyleSheet(QString());
  }
  void TearDown() override {
    fs::current_path(old_);
    fs::remove_all(dir_);
  }
  fs::path dir_, old_;
};

TEST_F(Skin, StyleSheetThereIsApplied) {
  fs::create_directory("Skins");
  apptest::write_file("Skins/skin.msstyles", "QPushButton { color: red; }");
  app::apply_skin();
  EXPECT_EQ(qApp->styleSheet(), QStringLiteral("QPushButton { color: red; }"));
}

TEST_F(Skin, MissingOrBinarySkinChangesNothing) {
  app::apply_skin();
  EXPECT_TRUE(qApp->styleSheet().isEmpty());
  fs::create_directory("Skins");
  apptest::write_file("Skins/skin.msstyles", std::string("MZ\0\0{binary}", 12));
  app::apply_skin();
  EXPECT_TRUE(qApp->styleSheet().isEmpty());
}

}  // namespace

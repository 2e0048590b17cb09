// SPDX-License-Identifier: GPL-3.0-or-later
// The input list kept across restarts: written after each change, read back
// by the next window, damaged files set aside.

#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>

#include "app/file_list.h"
#include "app/list_store.h"
#include "app/main_window.h"
#include "app/ids.h"
#include "app/tests/app_test_env.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;
using app::MainWindow;
namespace rows = app::file_list;

class KeptList : public ::testing::Test {
 protected:
  fs::path home, dir;
  void SetUp() override {
    home = apptest::fresh_config_home();
    dir = testsupport::temp_dir("kept_list");
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string clip(const std::string& name) {
    std::error_code error;
    fs::create_hard_link(testsupport::avchd_clip(1.0), dir / name, error);
    if (error) fs::copy_file(testsupport::avchd_clip(1.0), dir / name);
    return (dir / name).string();
  }
  std::string tip(MainWindow& window, int row) {
    return window.control_as<QTreeWidget>(app::kIdFileList)->topLevelItem(row)->toolTip(0).toStdString();
  }
};

// Rows, ticks, outcomes and odd names come back after a restart; a source
// gone since, or a row whose job the end of the program cut short, comes
// back unticked and says why.
TEST_F(KeptList, ComesBackAfterARestart) {
  const std::string odd = clip("caf\xe9\tx.MTS");
  const std::string gone = clip("gone.mts");
  const std::string cut = clip("cut.mts");
  const std::string done = clip("done.mts");
  {
    MainWindow window;
    for (const std::string& path : {odd, gone, cut, done}) rows::add_input_file(window, path);
    rows::set_row_outcome(window, 0, "100 %", (dir / "done.avi").string());
    rows::set_row_output(window, 0, (dir / "done.avi").string());
    rows::set_row_running(window, 1, (dir / "cut.avi").string());
    ASSERT_TRUE(apptest::pump_until([&] { return fs::exists(app::list_store::list_path()); }));
    // The crash comes here: the list on disk is the one the last change wrote.
    apptest::pump_for(20);
    fs::copy_file(app::list_store::list_path(), dir / "saved");
    window.dispatch_command(app::kCmdUnselectAll);
    window.close();
  }
  fs::remove(gone);
  fs::copy_file(dir / "saved", app::list_store::list_path(), fs::copy_options::overwrite_existing);
  MainWindow window;
  ASSERT_EQ(rows::row_count(window), 4);
  EXPECT_EQ(rows::row_text(window, 0, rows::kTitle), "done.mts");
  EXPECT_EQ(rows::row_text(window, 0, rows::kDone), "100 %");
  EXPECT_EQ(rows::row_output(window, 0), (dir / "done.avi").string());
  EXPECT_EQ(rows::row_tick(window, 0), 0);
  EXPECT_EQ(tip(window, 0).rfind((dir / "done.avi").string(), 0), 0u) << tip(window, 0);
  EXPECT_EQ(rows::row_tick(window, 1), 1);
  EXPECT_NE(tip(window, 1).find("partial file may be left: " + (dir / "cut.avi").string()), std::string::npos);
  EXPECT_EQ(rows::row_tick(window, 2), 1);
  EXPECT_EQ(tip(window, 2).rfind("The source file is gone", 0), 0u) << tip(window, 2);
  EXPECT_EQ(rows::row_text(window, 3, rows::kPath), odd);
  EXPECT_EQ(rows::row_tick(window, 3), 0);
}

TEST_F(KeptList, ADamagedFileIsSetAsideAndTheListStartsEmpty) {
  const std::string path = app::list_store::list_path();
  fs::create_directories(fs::path(path).parent_path());
  for (const char* text : {"Clipmill list 1\n0\t0\t%zz\n", "Clipmill list 1\n1\t0\tx\n", "garbage", ""}) {
    apptest::write_file(path, text);
    MainWindow window;
    EXPECT_EQ(rows::row_count(window), 0) << text;
    EXPECT_EQ(apptest::read_file(path + ".bad"), text);
  }
}

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The About box and the first-launch step.

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/first_launch.h"
#include "app/ids.h"
#include "app/main_window.h"
#include "app/settings_file.h"
#include "app/tests/app_test_env.h"

using namespace app;

namespace {

QDialog* about_box() {
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->objectName() == QLatin1String("103") && top->isVisible()) return qobject_cast<QDialog*>(top);
  return nullptr;
}

void press(QWidget* target, int key) {
  QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(target, &down);
}

enum class Way { ok_button, enter, escape };

class AboutBox : public ::testing::TestWithParam<Way> {
 protected:
  void SetUp() override { apptest::fresh_config_home(); }
};

TEST_P(AboutBox, ShowsItsTextsAndClosesLeavingTheWindowUsable) {
  MainWindow window;
  window.show();
  QStringList texts;
  QString caption;
  bool ok_default = false, blocks_others = true;
  QTimer::singleShot(0, [&] {
    QDialog* box = about_box();
    ASSERT_NE(box, nullptr);
    caption = box->windowTitle();
    for (QLabel* label : box->findChildren<QLabel*>()) texts << label->text();
    auto* ok = box->findChild<QPushButton*>(QStringLiteral("1"));
    ASSERT_NE(ok, nullptr);
    ok_default = ok->isDefault() && ok->text() == QLatin1String("OK");
    blocks_others = QApplication::activeModalWidget() != nullptr;
    switch (GetParam()) {
      case Way::ok_button: ok->click(); break;
      case Way::enter: press(box, Qt::Key_Return); break;
      case Way::escape: press(box, Qt::Key_Escape); break;
    }
  });
  // A watchdog keeps a box that does not close from hanging the test.
  bool watchdog_fired = false;
  QTimer::singleShot(5000, [&] {
    if (QDialog* box = about_box()) {
      watchdog_fired = true;
      box->done(0);
    }
  });
  window.dispatch_command(kCmdAbout);
  EXPECT_FALSE(watchdog_fired) << "the box did not close";
  EXPECT_EQ(about_box(), nullptr);
  EXPECT_EQ(caption, QStringLiteral("About Clipmill"));
  EXPECT_TRUE(texts.contains(QStringLiteral("Clipmill \u00A0V1.6")));
  EXPECT_TRUE(texts.contains(QStringLiteral("http://www.clipmill.example")));
  EXPECT_TRUE(
      texts.contains(QStringLiteral("It uses the FFmpeg libraries, a GPL-2.0-or-later build")));
  EXPECT_TRUE(ok_default);
  EXPECT_FALSE(blocks_others) << "the main window stays usable behind the box";
  EXPECT_TRUE(window.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Ways, AboutBox, ::testing::Values(Way::ok_button, Way::enter, Way::escape),
                         [](const auto& info) {
                           return info.param == Way::ok_button ? "OkButton"
                                  : info.param == Way::enter   ? "Enter"
                                                               : "Escape";
                         });

struct LaunchCase {
  const char* firstlaunch;  // nullptr: key missing
  const char* dealio;
  const char* sent;  // nullptr: nothing opened
};

class FirstLaunch : public ::testing::TestWithParam<LaunchCase> {
 protected:
  void SetUp() override {
    apptest::fresh_config_home();
    apptest::opened_addresses().clear();
  }
};

TEST_P(FirstLaunch, OpensTheAddressOnceAndMarksItDone) {
  const LaunchCase& c = GetParam();
  if (c.firstlaunch) write_setting("general", "firstlaunch", c.firstlaunch);
  if (c.dealio) write_setting("general", "dealio", c.dealio);
  run_first_launch();
  if (c.sent) {
    ASSERT_EQ(apptest::opened_addresses().size(), 1u);
    EXPECT_EQ(apptest::opened_addresses()[0],
              std::string("http://www.clipmill.example/SetupSoft.php?soft=ClipmillV1.6&dealio=") + c.sent);
    EXPECT_EQ(read_setting("general", "firstlaunch"), "1");
  } else {
    EXPECT_TRUE(apptest::opened_addresses().empty());
    EXPECT_EQ(read_setting("general", "firstlaunch"), c.firstlaunch);
  }
  run_first_launch();
  EXPECT_LE(apptest::opened_addresses().size(), 1u) << "offered once at most";
}

INSTANTIATE_TEST_SUITE_P(Keys, FirstLaunch,
                         ::testing::Values(LaunchCase{nullptr, nullptr, "False"}, LaunchCase{"", "true", "False"},
                                           LaunchCase{"0", "True", "True"}, LaunchCase{"abc", "TRUE", "False"},
                                           LaunchCase{"2", "True", nullptr}, LaunchCase{"-3", nullptr, nullptr}),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(FirstLaunchWindow, RunsWhenTheWindowFirstOpensAndAgainOnlyIfNotStored) {
  const auto home = apptest::fresh_config_home();
  apptest::opened_addresses().clear();
  { MainWindow w; }
  { MainWindow w; }
  EXPECT_EQ(apptest::opened_addresses().size(), 1u);
  // The marker cannot be stored: the step runs again at the next start.
  apptest::write_file(home / "plain", "x");
  apptest::use_config_home(home / "plain");
  { MainWindow w; }
  { MainWindow w; }
  EXPECT_EQ(apptest::opened_addresses().size(), 3u);
}

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: controls, menus, status bar, busy switch and commands.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <thread>

#include "app/file_list.h"
#include "app/file_list_rows.h"
#include "app/folder_picker.h"
#include "app/ids.h"
#include "app/main_window.h"
#include "app/settings_file.h"
#include "app/tests/app_test_env.h"
#include "app/window_work.h"

namespace fs = std::filesystem;
using namespace app;

namespace {

class Window : public ::testing::Test {
 protected:
  void SetUp() override { apptest::fresh_config_home(); }
  QString text(int id) const {
    QWidget* c = window().control(id);
    if (auto* l = qobject_cast<QLabel*>(c)) return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(c)) return g->title();
    if (auto* b = qobject_cast<QAbstractButton*>(c)) return b->text();
    if (auto* e = qobject_cast<QLineEdit*>(c)) return e->text();
    if (auto* d = qobject_cast<QComboBox*>(c)) return d->currentText();
    return QStringLiteral("<no text>");
  }
  bool enabled(int id) const { return window().control(id)->isEnabled(); }
  MainWindow& window() const {
    if (!window_) window_ = std::make_unique<MainWindow>();
    return *window_;
  }
  // Runs set_busy on another thread while this (UI) thread serves its hops.
  void set_busy_from_worker(bool busy) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
      window().set_busy(busy);
      done = true;
    });
    EXPECT_TRUE(apptest::pump_until([&] { return done.load(); }));
    worker.join();
  }
  mutable std::unique_ptr<MainWindow> window_;
};

TEST_F(Window, OpensWithDesignedTextsAndStates) {
  MainWindow& w = window();
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Clipmill V1.6"));
  EXPECT_TRUE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
  const std::pair<int, const char*> texts[] = {
      {kIdProcessingText, "Processing: "}, {kIdPercentText, "0%"}, {kIdStatisticsText, ""},
      {kIdOutputGroup, "Output directory"}, {kIdFormatGroup, "Output Format"}, {kIdKbpsLabel, "KBps"},
      // With no choice stored, the values of the preset the box shows.
      {kIdFormatList, "MPG2"}, {kIdSizeList, "1280x720"}, {kIdAspectList, "16/9"}, {kIdFpsList, "25"},
      {kIdAudioBitrateList, "256"}, {kIdVideoBitrate, "9000"}, {kIdPresetList, "MPEG2 HD"},
      {kIdWhenDoneLabel, "When done:"}, {kIdWhenDoneList, "Do nothing"},
  };
  for (auto [id, expected] : texts) EXPECT_EQ(text(id), QString::fromUtf8(expected)) << "control " << id;
  EXPECT_EQ(text(kIdOutputFolder), QStandardPaths::writableLocation(QStandardPaths::MoviesLocation));
  EXPECT_TRUE(w.control_as<QRadioButton>(kIdSaveBesideSource)->isChecked());
  EXPECT_FALSE(w.control_as<QCheckBox>(kIdPreviewBox)->isChecked());
  EXPECT_FALSE(w.work().batch().preview());
  EXPECT_FALSE(enabled(kIdCancel));
  EXPECT_FALSE(enabled(kIdBrowseFolder));
  for (int id : {kIdConvert, kIdQuit, kIdFileList, kIdSaveBesideSource, kIdSaveHere, kIdPresetList})
    EXPECT_TRUE(enabled(id)) << id;
  EXPECT_TRUE(w.control_as<QPushButton>(kIdConvert)->isDefault());
  EXPECT_EQ(w.status_part(0)->text(), QStringLiteral("Clipmill - Quorvane Soft"));
  // No system bus here: suspend and power off are greyed.
  auto* when_done = qobject_cast<QStandardItemModel*>(w.control_as<QComboBox>(kIdWhenDoneList)->model());
  for (int entry = 0; entry < 4; ++entry) EXPECT_EQ(when_done->item(entry)->isEnabled(), entry < 2) << entry;
}

// At the default size and grown: every control can be seen whole, inside
// the window, clear of the status bar, and its text not cut off; the status
// bar's three parts run side by side along the bottom edge; the list takes
// all the extra room and the buttons keep to the bottom right corner.
class WindowSizes : public Window, public ::testing::WithParamInterface<QSize> {};

TEST_P(WindowSizes, ControlsAreWhollyVisibleAndTheListTakesTheRoom) {
  MainWindow& w = window();
  w.show();
  const QSize list_before = w.control(kIdFileList)->size();
  const QPoint convert_before = w.centralWidget()->rect().bottomRight() - w.control(kIdConvert)->geometry().bottomRight();
  const QSize area_before = w.centralWidget()->size();
  w.resize(w.size() + GetParam());
  ASSERT_TRUE(apptest::pump_until([&] { return w.centralWidget()->size() == area_before + GetParam(); }));

  const QRect area = w.centralWidget()->rect();
  EXPECT_EQ(w.control(kIdFileList)->size(), list_before + GetParam());
  EXPECT_EQ(area.bottomRight() - w.control(kIdConvert)->geometry().bottomRight(), convert_before);
  const QRect bar = w.control(kIdStatusBar)->geometry();
  EXPECT_EQ(bar.bottom(), area.bottom());
  EXPECT_EQ(bar.width(), area.width());
  for (QWidget* c : w.centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (c == w.control(kIdStatusBar)) continue;
    EXPECT_TRUE(area.contains(c->geometry())) << c->objectName().toStdString();
    EXPECT_LT(c->geometry().bottom(), bar.top()) << c->objectName().toStdString();
    if (auto* button = qobject_cast<QPushButton*>(c)) {
      EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(button->text()))
          << button->text().toStdString();
    }
    if (auto* label = qobject_cast<QLabel*>(c)) {
      EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text())) << label->text().toStdString();
    }
  }
  for (int i = 0; i < 3; ++i) {
    const QRect part = w.status_part(i)->geometry();
    EXPECT_EQ(part.left(), i == 0 ? 0 : w.status_part(i - 1)->geometry().right() + 1) << i;
  }
  EXPECT_EQ(w.status_part(2)->geometry().right(), bar.width() - 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, WindowSizes, ::testing::Values(QSize(0, 0), QSize(349, 200)),
                         [](const auto& info) { return info.param.isNull() ? "Default" : "Grown"; });

// At the default size each column shows its usual longest text whole: a
// joined recording's title with its parts count, a camcorder's settings,
// "Cancelled".
TEST_F(Window, ColumnsShowTheirTextsWholeAtTheDefaultSize) {
  MainWindow& w = window();
  auto* list = w.control_as<QTreeWidget>(kIdFileList);
  probe::FileFacts facts;
  facts.title = "00000.MTS (+2 parts)";
  facts.settings = "1920x1080 (24 MBps)";
  facts.duration = "125:59";
  facts.done = "Cancelled";
  facts.path = "/nowhere/00000.MTS";
  list->addTopLevelItem(file_list_rows::make_row(facts));
  w.show();
  apptest::pump_for(50);
  const QAbstractItemView* view = list;
  for (int column : {file_list::kTitle, file_list::kSettings, file_list::kDuration, file_list::kDone}) {
    EXPECT_GE(list->header()->sectionSize(column), view->sizeHintForColumn(column)) << column;
    EXPECT_GE(list->header()->sectionSize(column), list->header()->sectionSizeHint(column)) << column;
  }
  EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
}

// set_busy from a worker thread, with each save mode.
class BusySwitch : public Window, public ::testing::WithParamInterface<bool> {};

TEST_P(BusySwitch, TogglesOnlyTheDesignedControls) {
  const bool save_here = GetParam();
  MainWindow& w = window();
  w.control_as<QRadioButton>(save_here ? kIdSaveHere : kIdSaveBesideSource)->click();
  EXPECT_EQ(enabled(kIdBrowseFolder), save_here);

  set_busy_from_worker(true);
  for (int id : {kIdConvert, kIdFileList, kIdSaveBesideSource, kIdSaveHere, kIdBrowseFolder})
    EXPECT_FALSE(enabled(id)) << id;
  EXPECT_TRUE(enabled(kIdCancel));
  for (int id : {kCmdAddFiles, kCmdClearList, kCmdSelectAll, kCmdUnselectAll})
    EXPECT_FALSE(w.action(id)->isEnabled()) << id;
  // Still usable while busy.
  for (int id : {kIdFormatList, kIdSizeList, kIdAspectList, kIdFpsList, kIdAudioBitrateList, kIdPresetList,
                 kIdVideoBitrate, kIdPreviewBox, kIdQuit})
    EXPECT_TRUE(enabled(id)) << id;
  for (int id : {kCmdAbout, kCmdQuit, kCmdPresetMpeg2Hd, kCmdPresetIphone, kCmdPreset3gp})
    EXPECT_TRUE(w.action(id)->isEnabled()) << id;

  // Busy for a second reason (adding files while a batch runs): the first
  // idle leaves the window busy.
  set_busy_from_worker(true);
  set_busy_from_worker(false);
  EXPECT_FALSE(enabled(kIdFileList));
  set_busy_from_worker(false);
  for (int id : {kIdConvert, kIdFileList, kIdSaveBesideSource, kIdSaveHere}) EXPECT_TRUE(enabled(id)) << id;
  EXPECT_FALSE(enabled(kIdCancel));
  EXPECT_EQ(enabled(kIdBrowseFolder), save_here) << "folder button follows the save mode of the busy time";
  for (int id : {kCmdAddFiles, kCmdClearList, kCmdSelectAll, kCmdUnselectAll})
    EXPECT_TRUE(w.action(id)->isEnabled()) << id;
}

INSTANTIATE_TEST_SUITE_P(SaveModes, BusySwitch, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "SaveHere" : "BesideSource"; });

// Cancel with no batch running stops the adding of files; a batch's own
// Cancel is followed through in the batch window tests.
TEST_F(Window, CancelAndConvertSetTheFlags) {
  MainWindow& w = window();
  w.control_as<QPushButton>(kIdCancel)->setEnabled(true);
  w.control_as<QPushButton>(kIdCancel)->click();
  EXPECT_TRUE(w.work().add_stopped());
  EXPECT_TRUE(w.work().batch().cancelled());
  w.control_as<QPushButton>(kIdCancel)->setEnabled(false);

  // Convert! with an empty list: the Cancel is cleared, nothing converts
  // and the window stays idle.
  w.control_as<QPushButton>(kIdConvert)->click();
  EXPECT_FALSE(w.work().batch().cancelled());
  apptest::pump_for(300);
  EXPECT_TRUE(enabled(kIdConvert));
  EXPECT_FALSE(enabled(kIdCancel));
}

TEST_F(Window, EnterGivesConvertOnlyWhileItIsEnabled) {
  MainWindow& w = window();
  auto press_enter = [&] {
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
  };
  w.control(kIdConvert)->setEnabled(false);
  w.work().batch().cancel();
  press_enter();
  EXPECT_TRUE(w.work().batch().cancelled());
  w.control(kIdConvert)->setEnabled(true);
  press_enter();
  EXPECT_FALSE(w.work().batch().cancelled());
  apptest::pump_for(300);
}

TEST_F(Window, RadioButtonsAndPreviewBoxActAtOnce) {
  MainWindow& w = window();
  w.control_as<QRadioButton>(kIdSaveHere)->click();
  EXPECT_TRUE(enabled(kIdBrowseFolder));
  w.control_as<QRadioButton>(kIdSaveBesideSource)->click();
  EXPECT_FALSE(enabled(kIdBrowseFolder));
  w.control_as<QCheckBox>(kIdPreviewBox)->click();
  EXPECT_TRUE(w.work().batch().preview());
  w.control_as<QCheckBox>(kIdPreviewBox)->click();
  EXPECT_FALSE(w.work().batch().preview());
}

TEST_F(Window, PickedFolderIsShownAndStoredAtOnce) {
  MainWindow& w = window();
  const fs::path picked = apptest::settings_file().parent_path();
  QString prompt;
  set_folder_picker([&](QWidget*, const QString& p) {
    prompt = p;
    return std::string();
  });
  w.control_as<QRadioButton>(kIdSaveHere)->click();
  const QString before = text(kIdOutputFolder);
  w.control_as<QPushButton>(kIdBrowseFolder)->click();
  EXPECT_EQ(prompt, QStringLiteral("Select the output directory: "));
  EXPECT_EQ(text(kIdOutputFolder), before) << "a cancelled picker changes nothing";
  EXPECT_EQ(read_setting("output", "path"), "");

  set_folder_picker([&](QWidget*, const QString&) { return picked.string(); });
  w.control_as<QPushButton>(kIdBrowseFolder)->click();
  set_folder_picker({});
  EXPECT_EQ(text(kIdOutputFolder).toStdString(), picked.string());
  // Stored without closing the window, as if the program were then killed.
  EXPECT_EQ(read_setting("output", "path"), picked.string());
}

TEST_F(Window, QuitSavesAndAnnouncesTheEnd) {
  MainWindow& w = window();
  bool closed = false;
  QObject::connect(&w, &MainWindow::closed, [&] { closed = true; });
  w.show();
  w.control_as<QPushButton>(kIdQuit)->click();
  EXPECT_TRUE(closed);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(read_setting("output", "format"), "MPG2");
}

}  // namespace

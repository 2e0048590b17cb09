// SPDX-License-Identifier: GPL-3.0-or-later
// The input file list in the real main window (offscreen): its columns, the
// ways files enter it, ticking and clearing.

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/file_list.h"
#include "app/file_list_menu.h"
#include "app/folder_picker.h"
#include "app/ids.h"
#include "app/main_window.h"
#include "app/tests/app_test_env.h"
#include "app/ui_call.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;
using app::MainWindow;
namespace rows = app::file_list;

class FileList : public ::testing::Test {
 protected:
  fs::path dir;
  std::unique_ptr<MainWindow> window;

  void SetUp() override {
    apptest::fresh_config_home();
    dir = testsupport::temp_dir("file_list");
    window = std::make_unique<MainWindow>();
    list = window->control_as<QTreeWidget>(app::kIdFileList);
    ASSERT_NE(list, nullptr);
  }
  void TearDown() override {
    ASSERT_TRUE(apptest::pump_until([this] { return idle(); }, 60000));
    window.reset();
    fs::remove_all(dir);
  }

  // A file of that name in the test folder: a short real clip under a real
  // path of its own (a hard link, else a copy).
  std::string clip(const std::string& name) {
    fs::path p = dir / name;
    if (!fs::exists(p)) link_clip(p);
    return p.string();
  }
  static void link_clip(const fs::path& p) {
    std::error_code error;
    fs::create_hard_link(testsupport::avchd_clip(1.0), p, error);
    if (error) fs::copy_file(testsupport::avchd_clip(1.0), p);
  }
  std::vector<std::string> titles() {
    std::vector<std::string> out;
    for (int r = 0; r < rows::row_count(*window); ++r) out.push_back(rows::row_text(*window, r, rows::kTitle));
    return out;
  }
  std::vector<int> ticks() {
    std::vector<int> out;
    for (int r = 0; r < rows::row_count(*window); ++r) out.push_back(rows::row_tick(*window, r));
    return out;
  }
  bool idle() {
    return window->control(app::kIdConvert)->isEnabled() && !window->control(app::kIdCancel)->isEnabled() &&
           list->isEnabled();
  }
  void double_click_row_area(QTreeWidgetItem* item) {
    // Without an item: the empty area below the last row.
    QPoint at = item ? list->visualItemRect(item).center()
                     : QPoint(5, list->visualItemRect(list->topLevelItem(list->topLevelItemCount() - 1)).bottom() + 8);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QMouseEvent press(QEvent::MouseButtonPress, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release2(QEvent::MouseButtonRelease, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                         Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &press);
    QApplication::sendEvent(list->viewport(), &release);
    QApplication::sendEvent(list->viewport(), &dbl);
    QApplication::sendEvent(list->viewport(), &release2);
  }
  // Drops local files on the list as a file manager would.
  void drop(const std::vector<std::string>& paths) {
    QList<QUrl> urls;
    for (const std::string& p : paths) urls << QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(p)));
    QMimeData mime;
    mime.setUrls(urls);
    QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &dropped);
  }
  // Runs `act` on the open-file dialog while it shows: the dialog may refuse
  // to accept until it has read the folder, so `act` is repeated until the
  // dialog closes.
  void on_dialog(std::function<void(QFileDialog&)> act) {
    auto* timer = new QTimer(window.get());
    timer->setInterval(50);
    // The first dialog seen is the one this call is about.
    auto seen = std::make_shared<QPointer<QFileDialog>>();
    auto acted = std::make_shared<bool>(false);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, seen, acted] {
      if (!*acted) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
          auto* dialog = qobject_cast<QFileDialog*>(w);
          if (dialog && dialog->isVisible()) *seen = dialog;
        }
      }
      QFileDialog* dialog = seen->data();
      if (dialog && dialog->isVisible()) {
        *acted = true;
        act(*dialog);
      }
      if (*acted && (!seen->data() || !seen->data()->isVisible())) {
        timer->stop();
        timer->deleteLater();
      }
    });
    timer->start();
  }

  // Chooses these names of the test folder in the dialog and confirms, once
  // the dialog sees all of them.
  void choose_in_dialog(std::vector<std::string> names) {
    on_dialog([this, names](QFileDialog& dialog) {
      const QString folder = QString::fromStdString(dir.string());
      if (dialog.directory().absolutePath() != folder) dialog.setDirectory(folder);
      QString typed;
      for (const std::string& n : names) typed += "\"" + QString::fromStdString(n) + "\" ";
      // Typed as a user would: selectFile leaves a focused name field alone.
      if (auto* name_field = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name_field->setText(typed.trimmed());
      if (dialog.selectedFiles().size() == static_cast<qsizetype>(names.size()))
        static_cast<QDialog&>(dialog).accept();
    });
  }

  QTreeWidget* list = nullptr;
};

// Accepted endings only, newest on top, each row complete; a file already
// listed, under its own name or through a link, is not listed again.
TEST_F(FileList, AddedFilesEnterAtTheTop) {
  fs::create_symlink(clip("00001.MTS"), dir / "link.mts");
  for (const char* name : {"00001.MTS", "00002.m2ts", "movie.mpeg", "clip.Mpg", "movie.avi", "00001.MTS", "link.mts"})
    rows::add_input_file(*window, std::string(name) == "link.mts" ? (dir / name).string() : clip(name));
  EXPECT_EQ(titles(), (std::vector<std::string>{"clip.Mpg", "00002.m2ts", "00001.MTS"}));
  EXPECT_EQ(ticks(), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(rows::row_text(*window, 2, rows::kPath), clip("00001.MTS"));
  EXPECT_EQ(rows::row_text(*window, 0, rows::kDuration), "00:01");
  EXPECT_EQ(rows::row_text(*window, 0, rows::kDone), "0 %");
  EXPECT_EQ(rows::row_text(*window, 0, rows::kSettings).rfind("1920x1080 (", 0), 0u);
  EXPECT_FALSE(list->topLevelItem(0)->icon(0).isNull());
}

// A file that cannot be read is still listed; a name that is not UTF-8 and a
// path longer than the old 259 characters come back byte for byte.
TEST_F(FileList, OddFilesAndPathsAreKeptWhole) {
  apptest::write_file(dir / "notmedia.mts", std::string(3000, 'z'));
  rows::add_input_file(*window, (dir / "notmedia.mts").string());
  EXPECT_EQ(rows::row_text(*window, 0, rows::kDuration), "00:00");
  EXPECT_EQ(rows::row_text(*window, 0, rows::kSettings), "x (0 MBps)");

  // Qt cannot carry such a name in a URL, so this one comes the dialog's way.
  std::string raw = clip("caf\xe9-\xff.MTS");
  rows::add_input_file(*window, raw);
  fs::path deep = dir / std::string(120, 'd') / std::string(120, 'e');
  fs::create_directories(deep);
  fs::create_symlink(testsupport::avchd_clip(1.0), deep / "long.m2ts");
  std::string long_path = (deep / "long.m2ts").string();
  ASSERT_GT(long_path.size(), 259u);
  drop({long_path});
  ASSERT_TRUE(apptest::pump_until([this] { return idle(); }));
  ASSERT_EQ(rows::row_count(*window), 3);
  EXPECT_EQ(rows::row_text(*window, 1, rows::kPath), raw);
  EXPECT_EQ(rows::row_text(*window, 0, rows::kPath), long_path);
  EXPECT_EQ(rows::row_text(*window, 1, rows::kDuration), "00:01");
}

TEST_F(FileList, UnselectAllThenDoubleClickTicksOnlyTheFocusedRow) {
  for (const char* name : {"a.mts", "b.mts", "c.mts"}) rows::add_input_file(*window, clip(name));
  window->dispatch_command(app::kCmdUnselectAll);
  EXPECT_EQ(ticks(), (std::vector<int>{1, 1, 1}));

  QTreeWidgetItem* middle = list->topLevelItem(1);
  list->setCurrentItem(middle);
  ASSERT_TRUE(middle->isSelected());
  double_click_row_area(middle);
  EXPECT_EQ(ticks(), (std::vector<int>{1, 0, 1}));
  rows::toggle_focused_tick(*window);
  EXPECT_EQ(ticks(), (std::vector<int>{1, 1, 1}));

  window->dispatch_command(app::kCmdSelectAll);
  EXPECT_EQ(ticks(), (std::vector<int>{0, 0, 0}));
}

TEST_F(FileList, DoubleClickWithoutFocusedSelectedRowChangesNothing) {
  for (const char* name : {"a.mts", "b.mts"}) rows::add_input_file(*window, clip(name));
  window->show();
  apptest::pump_for(50);
  list->setCurrentItem(nullptr);
  list->clearSelection();
  rows::toggle_focused_tick(*window);
  double_click_row_area(nullptr);
  EXPECT_EQ(ticks(), (std::vector<int>{0, 0}));

  // Focused but not selected.
  list->setCurrentItem(list->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
  list->clearSelection();
  ASSERT_EQ(list->currentItem(), list->topLevelItem(0));
  rows::toggle_focused_tick(*window);
  EXPECT_EQ(ticks(), (std::vector<int>{0, 0}));
}

// Delete and the context menu remove the selected rows; "Remove finished"
// the converted ones; neither acts while the window is busy.
TEST_F(FileList, RemoveSelectedAndFinishedRows) {
  for (const char* name : {"d.mts", "c.mts", "b.mts", "a.mts"}) rows::add_input_file(*window, clip(name));
  rows::set_row_text(*window, 1, rows::kDone, "100 %");
  QAction* remove = window->action(app::kCmdRemoveRows);
  EXPECT_EQ(remove->shortcut(), QKeySequence(QKeySequence::Delete));
  const auto menu = app::row_menu(*window, list->topLevelItem(0));
  EXPECT_TRUE(menu->actions().contains(remove));
  EXPECT_TRUE(menu->actions().contains(window->action(app::kCmdRemoveFinished)));

  list->topLevelItem(0)->setSelected(true);
  list->topLevelItem(2)->setSelected(true);
  window->set_busy(true);
  EXPECT_FALSE(remove->isEnabled());
  app::remove_selected_rows(*window);
  EXPECT_EQ(rows::row_count(*window), 4);
  window->set_busy(false);
  remove->trigger();
  EXPECT_EQ(titles(), (std::vector<std::string>{"b.mts", "d.mts"}));
  window->action(app::kCmdRemoveFinished)->trigger();
  EXPECT_EQ(titles(), (std::vector<std::string>{"d.mts"}));
  // A removed file can come back; one still listed cannot come twice.
  rows::add_input_file(*window, clip("a.mts"));
  rows::add_input_file(*window, clip("d.mts"));
  EXPECT_EQ(titles(), (std::vector<std::string>{"a.mts", "d.mts"}));
}

TEST_F(FileList, ClearList) {
  window->dispatch_command(app::kCmdClearList);
  EXPECT_EQ(rows::row_count(*window), 0);
  rows::add_input_file(*window, clip("a.mts"));
  window->dispatch_command(app::kCmdClearList);
  EXPECT_EQ(rows::row_count(*window), 0);
  rows::add_input_file(*window, clip("a.mts"));
  EXPECT_EQ(rows::row_count(*window), 1);
}

// Dropped files are added in the order delivered; nothing while the list is
// disabled (the window is busy).
TEST_F(FileList, DroppedFiles) {
  drop({clip("1.mts"), clip("2.m2ts"), clip("3.avi"), clip("4.MPG"), clip("5.mts")});
  ASSERT_TRUE(apptest::pump_until([this] { return idle(); }));
  EXPECT_EQ(titles(), (std::vector<std::string>{"5.mts", "4.MPG", "2.m2ts", "1.mts"}));
  window->set_busy(true);
  drop({clip("6.mts")});
  EXPECT_EQ(rows::row_count(*window), 4);
  window->set_busy(false);
}

// The dialog offers the designed filter, takes several existing files, and
// the window is busy while it adds them.
TEST_F(FileList, FilesChosenInTheDialog) {
  std::vector<std::string> chosen = {clip("a.mts"), clip("b.MTS"), clip("c.mpeg"), clip("d.m2ts")};
  bool busy_while_open = false;
  on_dialog([&](QFileDialog& dialog) {
    busy_while_open = !window->control(app::kIdConvert)->isEnabled() && !list->isEnabled();
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
    ASSERT_EQ(dialog.nameFilters().size(), 1);
    EXPECT_TRUE(dialog.nameFilters()[0].startsWith("MTS, M2TS files (*.mts; *.m2ts; *.mpg)"));
    EXPECT_TRUE(dialog.testOption(QFileDialog::HideNameFilterDetails));
    EXPECT_EQ(dialog.parentWidget(), window.get());
    dialog.reject();
  });
  window->dispatch_command(app::kCmdAddFiles);
  ASSERT_TRUE(apptest::pump_until([&] { return busy_while_open && idle(); }, 60000));

  choose_in_dialog({"a.mts", "b.MTS", "c.mpeg", "d.m2ts"});
  window->dispatch_command(app::kCmdAddFiles);
  ASSERT_TRUE(apptest::pump_until([&] { return rows::row_count(*window) == 3 && idle(); }, 60000));
  EXPECT_TRUE(busy_while_open);
  EXPECT_EQ(titles(), (std::vector<std::string>{"d.m2ts", "b.MTS", "a.mts"}));
}

TEST_F(FileList, CancelledDialogAddsNothingAndReturnsToIdle) {
  on_dialog([](QFileDialog& dialog) { dialog.reject(); });
  window->dispatch_command(app::kCmdAddFiles);
  apptest::pump_for(200);
  ASSERT_TRUE(apptest::pump_until([&] { return idle(); }, 10000));
  EXPECT_EQ(rows::row_count(*window), 0);
}

// Cancel while the first chosen file is being probed: that file is still
// added, the rest are skipped.
TEST_F(FileList, CancelStopsAfterTheCurrentFile) {
  clip("a.mts");
  clip("b.mts");
  clip("c.mts");
  std::atomic<int> probed{0};
  MainWindow* w = window.get();
  // Every file about to be probed first clears the preview.
  window->job_display().clear_preview = [&probed, w] {
    if (probed++ == 0) app::run_on_ui([w] { w->dispatch_command(app::kIdCancel); });
  };
  choose_in_dialog({"a.mts", "b.mts", "c.mts"});
  window->dispatch_command(app::kCmdAddFiles);
  ASSERT_TRUE(apptest::pump_until([&] { return probed.load() > 0 && idle(); }, 60000));
  apptest::pump_for(300);
  EXPECT_EQ(titles(), (std::vector<std::string>{"a.mts"}));
  EXPECT_EQ(probed.load(), 1);

  // "Add MTS/M2TS file" clears the stop request again.
  window->job_display().clear_preview = nullptr;
  choose_in_dialog({"b.mts", "c.mts"});
  window->dispatch_command(app::kCmdAddFiles);
  ASSERT_TRUE(apptest::pump_until([&] { return rows::row_count(*window) == 3 && idle(); }, 60000));
}

// Tab, Enter and Escape stay with the list while it has the focus.
TEST_F(FileList, KeepsTabEnterAndEscape) {
  rows::add_input_file(*window, clip("a.mts"));
  window->show();
  window->activateWindow();
  list->setFocus();
  ASSERT_TRUE(apptest::pump_until([&] { return QApplication::focusWidget() == list; }, 5000));
  for (int key : {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(list, &press);
    apptest::pump_for(20);
    EXPECT_EQ(QApplication::focusWidget(), list) << key;
  }
  EXPECT_TRUE(idle());
  EXPECT_EQ(rows::row_count(*window), 1);
}

// A card goes in with one action, "Add folder…" or the folder dropped:
// every clip below it in name order, the parts of one recording as one row
// that tells its parts and size, hidden folders left out.
class CardFolder : public FileList, public ::testing::WithParamInterface<bool> {};

TEST_P(CardFolder, GoesInWithOneAction) {
  const fs::path card = dir / "card";
  const fs::path stream = card / "PRIVATE" / "AVCHD" / "BDMV" / "STREAM";
  fs::create_directories(stream);
  fs::create_directories(card / ".Trash");
  testsupport::split_recording(testsupport::camcorder_clip(6), 3, stream);
  fs::copy_file(testsupport::camcorder_clip(2, 660), stream / "00003.MTS");
  fs::copy_file(testsupport::camcorder_clip(2, 660), card / ".Trash" / "00004.MTS");
  if (GetParam()) {
    drop({card.string()});
  } else {
    app::set_folder_picker([&](QWidget*, const QString&) { return card.string(); });
    window->dispatch_command(app::kCmdAddFolder);
  }
  ASSERT_TRUE(apptest::pump_until([this] { return idle() && rows::row_count(*window) == 2; }, 60000));
  // The same card a second time adds nothing.
  drop({card.string()});
  ASSERT_TRUE(apptest::pump_until([this] { return idle(); }, 60000));
  EXPECT_EQ(rows::row_count(*window), 2);
  app::set_folder_picker({});
  EXPECT_EQ(titles(), (std::vector<std::string>{"00000.MTS (+2 parts)", "00003.MTS"}));
  EXPECT_EQ(rows::row_text(*window, 0, rows::kDuration), "00:06");
  EXPECT_EQ(rows::row_text(*window, 0, rows::kPath), (stream / "00000.MTS").string());
  EXPECT_EQ(rows::row_further_parts(*window, 0),
            (std::vector<std::string>{(stream / "00001.MTS").string(), (stream / "00002.MTS").string()}));
  EXPECT_NE(list->topLevelItem(0)->toolTip(rows::kTitle).indexOf(QStringLiteral("3 parts, ")), -1);
}

// A folder of a thousand files: the rows appear while it is read, and the
// window keeps answering (this test pumps its events) until all are in.
TEST_F(FileList, AThousandFilesFillTheListWhileTheWindowAnswers) {
  const fs::path folder = dir / "many";
  fs::create_directories(folder);
  for (int i = 0; i < 1000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "%05d.MTS", i);
    std::ofstream(folder / name) << "not a recording " << i;
  }
  app::start_add_folders(*window, {folder.string()});
  EXPECT_TRUE(apptest::pump_until([this] { return rows::row_count(*window) > 0; }, 60000));
  EXPECT_FALSE(idle()) << "the first rows came only after the whole folder";
  ASSERT_TRUE(apptest::pump_until([this] { return idle(); }, 120000));
  EXPECT_EQ(rows::row_count(*window), 1000);
  EXPECT_EQ(rows::row_text(*window, 999, rows::kTitle), "00999.MTS");
}

INSTANTIATE_TEST_SUITE_P(Ways, CardFolder, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Dropped" : "AddFolderCommand"; });

}  // namespace

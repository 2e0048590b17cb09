// SPDX-License-Identifier: GPL-3.0-or-later
// Whole batches in the real main window (offscreen): files added through the
// list, a preset picked, "Convert!", and the results checked as a user would.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QUrl>

#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "app/commands.h"
#include "app/file_list.h"
#include "app/file_list_menu.h"
#include "app/ids.h"
#include "app/main_window.h"
#include "app/stop_signals.h"
#include "app/tests/app_test_env.h"
#include "app/window_work.h"
#include "testsupport/media.h"
#include "testsupport/output_checks.h"

namespace {

namespace fs = std::filesystem;

using app::MainWindow;
namespace rows = app::file_list;

constexpr int kBatchTimeoutMs = 300000;

// Stands in for the preview area: holds each picture the window is handed
// until the test lets it pass, so the test acts while a file is half
// converted.
class PictureGate {
 public:
  // The picture's thread.
  void hold() {
    std::unique_lock lock(mutex_);
    const int number = ++arrived_;
    passed_.wait(lock, [&] { return open_ || passed_count_ >= number; });
  }
  // The UI thread: serves its events until a picture is held.
  bool wait_for_picture() {
    return apptest::pump_until(
        [&] {
          std::lock_guard lock(mutex_);
          return arrived_ > passed_count_;
        },
        kBatchTimeoutMs);
  }
  void pass() {
    {
      std::lock_guard lock(mutex_);
      ++passed_count_;
    }
    passed_.notify_all();
  }
  // Every picture passes from now on.
  void open() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    passed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable passed_;
  int arrived_ = 0, passed_count_ = 0;
  bool open_ = false;
};

class BatchWindow : public ::testing::Test {
 protected:
  fs::path dir;
  std::unique_ptr<MainWindow> window;
  PictureGate gate;

  void SetUp() override {
    apptest::fresh_config_home();
    dir = testsupport::temp_dir("batch_window");
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "out");
    window = std::make_unique<MainWindow>();
    // "Save here: " into a folder of this test.
    window->control_as<QRadioButton>(app::kIdSaveHere)->click();
    window->control_as<QLineEdit>(app::kIdOutputFolder)->setText(QString::fromStdString((dir / "out").string()));
    files_at_once("1");
  }
  void files_at_once(const char* choice) {
    auto* list = window->control_as<QComboBox>(app::kIdFilesAtOnceList);
    list->setCurrentIndex(list->findText(QString::fromLatin1(choice)));
  }
  void TearDown() override {
    gate.open();
    window.reset();  // cancels a batch still running and waits for it
    fs::remove_all(dir);
  }
  bool running() const { return window->work().batch_running(); }

  // Adds a copy of `clip` named `name`; new files enter at the top.
  void add(const fs::path& clip, const std::string& name) {
    fs::copy_file(clip, dir / "in" / name, fs::copy_options::overwrite_existing);
    rows::add_input_file(*window, (dir / "in" / name).string());
  }
  void pick_preset(int position) {
    auto* list = window->control_as<QComboBox>(app::kIdPresetList);
    list->setCurrentIndex(position);
    emit list->activated(position);
  }
  void wait_for_batch_end() {
    ASSERT_TRUE(apptest::pump_until([&] { return !running(); }, kBatchTimeoutMs));
  }
  void convert_and_wait() {
    window->dispatch_command(app::kIdConvert);
    wait_for_batch_end();
  }
  // "Convert!" with the preview on, then holds the conversion of the row
  // titled `title` at one of its pictures.
  void convert_until_held_in(const std::string& title) {
    window->job_display().show_preview_picture = [this](const AVFrame*, const AVCodecContext*) { gate.hold(); };
    if (!window->control_as<QCheckBox>(app::kIdPreviewBox)->isChecked())
      window->control_as<QCheckBox>(app::kIdPreviewBox)->click();
    window->dispatch_command(app::kIdConvert);
    for (;;) {
      ASSERT_TRUE(gate.wait_for_picture());
      // Between files the processing text names none; the held file's
      // title follows at once.
      ASSERT_TRUE(apptest::pump_until([&] { return text(app::kIdProcessingText) != "Processing: "; }));
      if (text(app::kIdProcessingText) == "Processing: " + title) return;
      gate.pass();
    }
  }
  std::string text(int id) { return window->control_as<QLabel>(id)->text().toStdString(); }
  bool idle() {
    return window->control(app::kIdConvert)->isEnabled() && !window->control(app::kIdCancel)->isEnabled() &&
           window->control(app::kIdFileList)->isEnabled();
  }
  void expect_status_reset_and_idle() {
    EXPECT_EQ(text(app::kIdProcessingText), "Processing: ");
    EXPECT_EQ(text(app::kIdPercentText), "0%");
    EXPECT_EQ(text(app::kIdStatisticsText), "");
    EXPECT_EQ(window->control_as<QProgressBar>(app::kIdProgressBar)->value(), 0);
    EXPECT_TRUE(idle());
  }
  void untick(int row) {
    auto* list = window->control_as<QTreeWidget>(app::kIdFileList);
    list->setCurrentItem(list->topLevelItem(row));
    rows::toggle_focused_tick(*window);
    ASSERT_EQ(rows::row_tick(*window, row), 1);
  }
  std::string tip(int row) {
    return window->control_as<QTreeWidget>(app::kIdFileList)->topLevelItem(row)->toolTip(rows::kTitle).toStdString();
  }
  std::vector<std::string> outputs() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir / "out")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

// Records every change of a widget's enabled state.
class EnabledChanges : public QObject {
 public:
  std::vector<bool> states;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::EnabledChange) states.push_back(static_cast<QWidget*>(watched)->isEnabled());
    return false;
  }
};

// The row of a recording in three parts converts into one output of the
// whole recording, named after its first part; the bar counts all parts.
TEST_F(BatchWindow, AJoinedRowConvertsTheWholeRecording) {
  std::vector<std::string> parts;
  for (const auto& part : testsupport::split_recording(testsupport::camcorder_clip(6), 3, dir / "in"))
    parts.push_back(part.string());
  rows::add_input_files(*window, parts);
  ASSERT_EQ(rows::row_count(*window), 1);
  pick_preset(10);  // "iPod format": MP4 320x240
  convert_and_wait();
  EXPECT_EQ(outputs(), (std::vector<std::string>{"00000.mp4"}));
  EXPECT_EQ(rows::row_text(*window, 0, rows::kDone), "100 %");
  EXPECT_NEAR(testsupport::probe(dir / "out" / "00000.mp4").duration, 6.0, 0.1);
  EXPECT_TRUE(testsupport::decodes_fully(dir / "out" / "00000.mp4"));
}

// A part that starts mid-GOP has no decodable picture for its first
// seconds: its pictures from the first key picture on convert, and the
// batch never waits for a click.
TEST_F(BatchWindow, APartStartingMidGopConvertsWithoutABox) {
  rows::add_input_file(*window, testsupport::mid_gop_part(dir / "in").string());
  pick_preset(10);  // "iPod format": MP4 320x240
  convert_and_wait();
  EXPECT_EQ(rows::row_text(*window, 0, rows::kDone), "100 %") << tip(0);
  EXPECT_EQ(outputs(), (std::vector<std::string>{"00001.mp4"}));
  EXPECT_TRUE(testsupport::decodes_fully(dir / "out" / "00001.mp4"));
  for (QWidget* top : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<QMessageBox*>(top), nullptr);
}

TEST_F(BatchWindow, TwoCamcorderClipsWithAPresetGiveTwoValidFiles) {
  const fs::path clip = testsupport::avchd_clip(2.0);
  add(clip, "first.mts");
  add(clip, "second.m2ts");
  pick_preset(7);  // "FLV (Low quality)": FLV, 320x240, 4/3, 25, 384, 64

  // The window is busy while a row converts.
  bool seen_busy = false;
  window->dispatch_command(app::kIdConvert);
  ASSERT_TRUE(apptest::pump_until(
      [&] {
        seen_busy = seen_busy || !window->control(app::kIdConvert)->isEnabled();
        return !running();
      },
      kBatchTimeoutMs));
  EXPECT_TRUE(seen_busy);

  EXPECT_EQ(outputs(), (std::vector<std::string>{"first.flv", "second.flv"}));
  for (const char* name : {"first.flv", "second.flv"})
    testsupport::expect_output(dir / "out" / name, {"flv", "flv1", "mp3", 320, 240, "25/1"}, {2.0, 0.25});
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(rows::row_tick(*window, row), 0);
    const std::string done = rows::row_text(*window, row, rows::kDone);
    EXPECT_TRUE(testsupport::is_percent_text(done)) << done;
  }
  expect_status_reset_and_idle();
  EXPECT_TRUE(window->control(app::kIdBrowseFolder)->isEnabled());  // "Save here: " stays chosen

  // A converted row plays its output and shows its folder.
  apptest::opened_addresses().clear();
  const auto menu = app::row_menu(*window, window->control_as<QTreeWidget>(app::kIdFileList)->topLevelItem(0));
  for (QAction* action : menu->actions())
    if (action->text() == "Play" || action->text() == "Open containing folder") action->trigger();
  const std::string out = QUrl::fromLocalFile(QString::fromStdString((dir / "out").string())).toString().toStdString();
  EXPECT_EQ(apptest::opened_addresses(), (std::vector<std::string>{out + "/second.flv", out}));
}

TEST_F(BatchWindow, UntickedMiddleRowIsSkippedWithItsTextsUntouched) {
  const fs::path clip = testsupport::mpeg2_ps_clip(1.0);
  add(clip, "gamma.mpg");
  add(clip, "beta.mpg");
  add(clip, "alpha.mpg");
  untick(1);
  std::vector<std::string> before;
  for (int c = 0; c <= rows::kPath; ++c) before.push_back(rows::row_text(*window, 1, c));
  pick_preset(2);  // "Avi (Low quality)"
  convert_and_wait();
  EXPECT_EQ(outputs(), (std::vector<std::string>{"alpha.avi", "gamma.avi"}));
  for (int c = 0; c <= rows::kPath; ++c) EXPECT_EQ(rows::row_text(*window, 1, c), before[c]) << c;
  EXPECT_EQ(rows::row_tick(*window, 1), 1);
  expect_status_reset_and_idle();
}

TEST_F(BatchWindow, FormatChangedDuringTheBatchAppliesToTheNextRow) {
  const fs::path clip = testsupport::mpeg2_ps_clip(2.0);
  add(clip, "later.mpg");
  add(clip, "sooner.mpg");
  pick_preset(2);  // Avi
  convert_until_held_in("sooner.mpg");
  auto* format = window->control_as<QComboBox>(app::kIdFormatList);
  format->setCurrentIndex(1);  // "FLV"
  emit format->activated(1);
  gate.open();
  wait_for_batch_end();
  EXPECT_EQ(outputs(), (std::vector<std::string>{"later.flv", "sooner.avi"}));
  EXPECT_EQ(testsupport::probe(dir / "out" / "sooner.avi").first("video")->codec_name, "msmpeg4v2");
  EXPECT_EQ(testsupport::probe(dir / "out" / "later.flv").first("video")->codec_name, "flv1");
}

// Each row says how its job ended: converted, failed (with the reason),
// cancelled (complete up to the cancel), or never started.
TEST_F(BatchWindow, RowsTellEachOutcomeAndCancelConvertsNoFurtherRow) {
  const fs::path clip = testsupport::mpeg2_ps_clip(2.0);
  add(clip, "three.mpg");
  add(clip, "two.mpg");
  fs::path bad = dir / "bad.mts";
  apptest::write_file(bad, "not a recording\n");
  add(bad, "bad.mts");
  add(clip, "one.mpg");
  pick_preset(10);  // "iPod format": MP4 320x240
  convert_until_held_in("two.mpg");
  window->control_as<QPushButton>(app::kIdCancel)->click();
  gate.open();
  wait_for_batch_end();

  EXPECT_EQ(outputs(), (std::vector<std::string>{"one.mp4", "two.mp4"}));
  const auto one = testsupport::probe(dir / "out" / "one.mp4");
  const auto two = testsupport::probe(dir / "out" / "two.mp4");
  ASSERT_TRUE(one.ok && two.ok);
  EXPECT_LT(two.duration, one.duration - 0.2);
  EXPECT_TRUE(testsupport::decodes_fully(dir / "out" / "two.mp4"));

  EXPECT_EQ(rows::row_text(*window, 0, rows::kDone), "100 %");
  EXPECT_EQ(tip(0).rfind((dir / "out" / "one.mp4").string() + "\n", 0), 0u) << tip(0);
  EXPECT_EQ(rows::row_text(*window, 1, rows::kDone), "Failed");
  EXPECT_EQ(tip(1).rfind("Not a video file or damaged beyond reading", 0), 0u) << tip(1);
  EXPECT_EQ(rows::row_text(*window, 2, rows::kDone), "Cancelled");
  EXPECT_EQ(rows::row_text(*window, 3, rows::kDone), "0 %");
  EXPECT_EQ(tip(3).rfind("Modified: ", 0), 0u) << tip(3);  // the file's facts, no outcome
  EXPECT_EQ(window->status_part(1)->text().toStdString(), "1 converted, 1 failed, 1 cancelled, 1 not started");
  expect_status_reset_and_idle();

  // The next batch starts clean: rows waiting show no earlier outcome, and
  // the summary is gone until it ends; Clear List takes it too.
  convert_until_held_in("one.mpg");
  EXPECT_EQ(window->status_part(1)->text().toStdString(), "");
  EXPECT_TRUE(apptest::pump_until([&] { return text(app::kIdStatisticsText).find(", Time left: ") != std::string::npos; }));
  for (int row = 1; row < 4; ++row) EXPECT_EQ(rows::row_text(*window, row, rows::kDone), "Waiting") << row;
  EXPECT_EQ(tip(1).rfind("Modified: ", 0), 0u) << tip(1);
  window->control_as<QPushButton>(app::kIdCancel)->click();
  gate.open();
  wait_for_batch_end();
  EXPECT_EQ(window->status_part(1)->text().toStdString(), "1 cancelled, 3 not started");
  window->dispatch_command(app::kCmdClearList);
  EXPECT_EQ(window->status_part(1)->text().toStdString(), "");
}

// Two files at once: Cancel ends both running files properly (an MP4 is
// unplayable without its trailer) and starts no further row; two sources of
// one name into one folder give two files.
TEST_F(BatchWindow, CancelDuringTwoAtOnceLeavesTwoCompleteFilesAndNoMore) {
  const fs::path clip = testsupport::mpeg2_ps_clip(4.0);
  for (const char* name : {"d.mpg", "c.mpg", "b/clip.mpg", "a/clip.mpg"}) {
    fs::create_directories((dir / "in" / name).parent_path());
    add(clip, name);
  }
  pick_preset(10);  // "iPod format": MP4
  files_at_once("2");
  window->dispatch_command(app::kIdConvert);
  auto* list = window->control_as<QTreeWidget>(app::kIdFileList);
  auto running = [&](int row) {
    const std::string done = rows::row_text(*window, row, rows::kDone);
    return done != "0 %" && testsupport::is_percent_text(done);
  };
  ASSERT_TRUE(apptest::pump_until(
      [&] { return running(0) && running(1) && text(app::kIdProcessingText) == "Processing: 2 files"; },
      kBatchTimeoutMs));
  window->control_as<QPushButton>(app::kIdCancel)->click();
  wait_for_batch_end();

  EXPECT_EQ(outputs(), (std::vector<std::string>{"clip.mp4", "clip1.mp4"}));
  for (const char* name : {"clip.mp4", "clip1.mp4"}) EXPECT_TRUE(testsupport::decodes_fully(dir / "out" / name));
  EXPECT_EQ(list->topLevelItem(0)->toolTip(0).toStdString().find("clip.mp4") != std::string::npos, true);
  for (int row : {0, 1}) EXPECT_EQ(rows::row_text(*window, row, rows::kDone), "Cancelled");
  for (int row : {2, 3}) EXPECT_EQ(rows::row_text(*window, row, rows::kDone), "0 %");
  EXPECT_EQ(window->status_part(1)->text().toStdString(), "2 cancelled, 2 not started");
  expect_status_reset_and_idle();
}

// A Cancel given at once, before the worker reached its first job, still
// stops the whole batch.
TEST_F(BatchWindow, CancelRightAfterConvertStopsTheBatch) {
  const fs::path clip = testsupport::mpeg2_ps_clip(1.0);
  add(clip, "two.mpg");
  add(clip, "one.mpg");
  pick_preset(7);  // FLV
  window->dispatch_command(app::kIdConvert);
  window->dispatch_command(app::kIdCancel);
  wait_for_batch_end();
  EXPECT_TRUE(outputs().empty());
  for (int row = 0; row < 2; ++row) EXPECT_EQ(rows::row_text(*window, row, rows::kDone), "0 %");
  EXPECT_EQ(window->status_part(1)->text().toStdString(), "2 not started");
}

TEST_F(BatchWindow, ConvertWithNothingTickedDoesNothing) {
  add(testsupport::mpeg2_ps_clip(1.0), "only.mpg");
  window->dispatch_command(app::kCmdUnselectAll);
  ASSERT_EQ(rows::row_tick(*window, 0), 1);
  bool seen_busy = false;
  window->dispatch_command(app::kIdConvert);
  ASSERT_TRUE(apptest::pump_until(
      [&] {
        seen_busy = seen_busy || !idle();
        return !running();
      },
      kBatchTimeoutMs));
  EXPECT_FALSE(seen_busy);
  EXPECT_TRUE(outputs().empty());
  EXPECT_EQ(rows::row_text(*window, 0, rows::kDone), "0 %");
  expect_status_reset_and_idle();
}

TEST_F(BatchWindow, ASecondConvertWhileABatchRunsStartsNoSecondBatch) {
  const fs::path clip = testsupport::mpeg2_ps_clip(2.0);
  add(clip, "two.mpg");
  add(clip, "one.mpg");
  pick_preset(7);  // FLV
  convert_until_held_in("one.mpg");
  window->dispatch_command(app::kIdConvert);  // as Enter would, whatever the button shows
  gate.open();
  wait_for_batch_end();
  EXPECT_EQ(outputs(), (std::vector<std::string>{"one.flv", "two.flv"}));
  EXPECT_TRUE(testsupport::decodes_fully(dir / "out" / "one.flv"));
  expect_status_reset_and_idle();
}

TEST_F(BatchWindow, ConvertRightAfterCancelDoesNotUndoTheCancel) {
  const fs::path clip = testsupport::mpeg2_ps_clip(2.0);
  add(clip, "two.mpg");
  add(clip, "one.mpg");
  pick_preset(7);  // FLV
  convert_until_held_in("one.mpg");
  window->dispatch_command(app::kIdCancel);
  window->dispatch_command(app::kIdConvert);  // before the batch has looked at its flag
  gate.open();
  wait_for_batch_end();
  EXPECT_EQ(outputs(), (std::vector<std::string>{"one.flv"}));
  expect_status_reset_and_idle();
}

// One file at a time, the list stays locked from the first file to the end
// of the last (no idle moment between files), and a file handed to the
// window mid-batch (as a second start hands its files over) shifts no row
// of the batch: every row converts once into its own file, the new one
// waits for the next batch.
TEST_F(BatchWindow, OneAtATimeTheListStaysLockedAndNoRowShifts) {
  const fs::path clip = testsupport::mpeg2_ps_clip(2.0);
  add(clip, "c.mpg");
  add(clip, "b.mpg");
  add(clip, "a.mpg");
  pick_preset(2);  // "Avi (Low quality)"
  EnabledChanges list_changes;
  window->control(app::kIdFileList)->installEventFilter(&list_changes);
  convert_until_held_in("a.mpg");
  for (int id : {app::kCmdAddFiles, app::kCmdAddFolder, app::kCmdClearList, app::kCmdSelectAll})
    EXPECT_FALSE(window->action(id)->isEnabled()) << id;
  fs::copy_file(clip, dir / "in" / "d.mpg");
  app::add_paths(*window, {(dir / "in" / "d.mpg").string()});
  ASSERT_TRUE(apptest::pump_until([&] { return rows::row_text(*window, 0, rows::kTitle) == "d.mpg"; }));
  gate.open();
  wait_for_batch_end();

  EXPECT_EQ(outputs(), (std::vector<std::string>{"a.avi", "b.avi", "c.avi"}));
  EXPECT_EQ(rows::row_text(*window, 0, rows::kDone), "0 %");
  for (int row = 1; row <= 3; ++row) {
    EXPECT_EQ(rows::row_text(*window, row, rows::kDone), "100 %") << row;
    const std::string name = rows::row_text(*window, row, rows::kTitle);
    EXPECT_EQ(tip(row).rfind((dir / "out" / fs::path(name).replace_extension(".avi")).string(), 0), 0u) << tip(row);
  }
  EXPECT_EQ(list_changes.states, (std::vector<bool>{false, true}));
  expect_status_reset_and_idle();
}

// Closing the window while a file converts: the file in progress still gets
// its trailer before the program ends, and no further row starts.
TEST_F(BatchWindow, ClosingDuringAConversionFinishesTheCurrentFileFirst) {
  const fs::path clip = testsupport::mpeg2_ps_clip(2.0);
  add(clip, "second.mpg");
  add(clip, "first.mpg");
  pick_preset(10);  // "iPod format": MP4, whose index is written only by the trailer
  convert_until_held_in("first.mpg");
  window->close();
  gate.open();
  EXPECT_TRUE(window->work().finish(kBatchTimeoutMs));

  EXPECT_FALSE(running());
  EXPECT_EQ(outputs(), (std::vector<std::string>{"first.mp4"}));
  EXPECT_TRUE(testsupport::decodes_fully(dir / "out" / "first.mp4"));
}

// Told to stop from outside (SIGTERM, or SIGHUP as the session ends)
// during a batch: the window cancels, then closes; the file in progress is
// complete and says "Cancelled", and no further row starts.
class StopSignal : public BatchWindow, public ::testing::WithParamInterface<int> {};

TEST_P(StopSignal, CancelsThenClosesTheWindow) {
  app::close_on_stop_signals(*window);
  bool closed = false;
  QObject::connect(window.get(), &MainWindow::closed, [&] { closed = true; });
  const fs::path clip = testsupport::mpeg2_ps_clip(2.0);
  add(clip, "second.mpg");
  add(clip, "first.mpg");
  pick_preset(10);  // "iPod format": MP4, whose index is written only by the trailer
  convert_until_held_in("first.mpg");
  ::kill(::getpid(), GetParam());
  ASSERT_TRUE(apptest::pump_until([&] { return closed; }));
  gate.open();
  EXPECT_TRUE(window->work().finish(kBatchTimeoutMs));
  EXPECT_EQ(outputs(), (std::vector<std::string>{"first.mp4"}));
  EXPECT_TRUE(testsupport::decodes_fully(dir / "out" / "first.mp4"));
  EXPECT_EQ(rows::row_text(*window, 0, rows::kDone), "Cancelled");
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignal, ::testing::Values(SIGTERM, SIGHUP),
                         [](const auto& info) { return info.param == SIGTERM ? "Term" : "Hangup"; });

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// Whole batches in the real main window (offscreen): files added through the
// list, a preset picked, "Convert!", and the results checked as a user would.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>

#include "app/batch_thread.h"
#include "app/file_list.h"
#include "app/ids.h"
#include "app/main_window.h"
#include "app/tests/app_test_env.h"
#include "batch/progress_state.h"
#include "testsupport/media.h"
#include "testsupport/output_checks.h"

namespace {

namespace fs = std::filesystem;

using app::MainWindow;
namespace rows = app::file_list;

constexpr int kBatchTimeoutMs = 300000;

class BatchWindow : public ::testing::Test {
 protected:
  fs::path dir;
  std::unique_ptr<MainWindow> window;

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
    if (app::batch_running()) {
      window->dispatch_command(app::kIdCancel);
      apptest::pump_until([] { return !app::batch_running(); }, kBatchTimeoutMs);
    }
    window.reset();
    fs::remove_all(dir);
  }

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
    ASSERT_TRUE(apptest::pump_until([] { return !app::batch_running(); }, kBatchTimeoutMs));
  }
  void convert_and_wait() {
    window->dispatch_command(app::kIdConvert);
    wait_for_batch_end();
  }
  // "Convert!", then waits until `row` converts with more than `frames` pictures decoded.
  void convert_until_row_runs(int row, int frames) {
    window->dispatch_command(app::kIdConvert);
    auto& p = batch::progress();
    ASSERT_TRUE(apptest::pump_until(
        [&] { return p.current_row == row && p.clock_running && p.decoded_frame_count > frames; }, kBatchTimeoutMs));
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
    EXPECT_FALSE(batch::progress().conversion_running);
  }
  void untick(int row) {
    auto* list = window->control_as<QTreeWidget>(app::kIdFileList);
    list->setCurrentItem(list->topLevelItem(row));
    rows::toggle_focused_tick(*window);
    ASSERT_EQ(rows::row_tick(*window, row), 1);
  }
  std::vector<std::string> outputs() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir / "out")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
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
        return !app::batch_running();
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
  convert_until_row_runs(0, -1);
  auto* format = window->control_as<QComboBox>(app::kIdFormatList);
  format->setCurrentIndex(1);  // "FLV"
  emit format->activated(1);
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
  convert_until_row_runs(2, 5);
  window->control_as<QPushButton>(app::kIdCancel)->click();
  wait_for_batch_end();

  EXPECT_EQ(outputs(), (std::vector<std::string>{"one.mp4", "two.mp4"}));
  const auto one = testsupport::probe(dir / "out" / "one.mp4");
  const auto two = testsupport::probe(dir / "out" / "two.mp4");
  ASSERT_TRUE(one.ok && two.ok);
  EXPECT_LT(two.duration, one.duration - 0.2);
  EXPECT_TRUE(testsupport::decodes_fully(dir / "out" / "two.mp4"));

  auto* list = window->control_as<QTreeWidget>(app::kIdFileList);
  auto tip = [&](int row) { return list->topLevelItem(row)->toolTip(rows::kTitle).toStdString(); };
  EXPECT_EQ(rows::row_text(*window, 0, rows::kDone), "100 %");
  EXPECT_EQ(tip(0).rfind((dir / "out" / "one.mp4").string() + "\n", 0), 0u) << tip(0);
  EXPECT_EQ(rows::row_text(*window, 1, rows::kDone), "Failed");
  EXPECT_EQ(tip(1).rfind("Not a video file or damaged beyond reading", 0), 0u) << tip(1);
  EXPECT_EQ(rows::row_text(*window, 2, rows::kDone), "Cancelled");
  EXPECT_EQ(rows::row_text(*window, 3, rows::kDone), "0 %");
  EXPECT_EQ(tip(3).rfind("Modified: ", 0), 0u) << tip(3);  // the file's facts, no outcome
  EXPECT_EQ(window->status_part(1)->text().toStdString(), "1 converted, 1 failed, 1 cancelled");
  expect_status_reset_and_idle();
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
  EXPECT_EQ(window->status_part(1)->text().toStdString(), "0 converted, 2 cancelled");
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
  for (int row = 0; row < 2; ++row) EXPECT_NE(rows::row_text(*window, row, rows::kDone), "100 %");
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
        return !app::batch_running();
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
  convert_until_row_runs(0, -1);
  window->dispatch_command(app::kIdConvert);  // e.g. between two rows, when the window is idle
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
  convert_until_row_runs(0, 5);
  window->dispatch_command(app::kIdCancel);
  window->dispatch_command(app::kIdConvert);  // before the worker has looked at its flag
  wait_for_batch_end();
  EXPECT_EQ(outputs(), (std::vector<std::string>{"one.flv"}));
  expect_status_reset_and_idle();
}

}  // namespace

// Closing the window while a file converts: the file in progress still gets
// its trailer before the program ends, and no further row starts.
TEST_F(BatchWindow, ClosingDuringAConversionFinishesTheCurrentFileFirst) {
  const fs::path clip = testsupport::mpeg2_ps_clip(2.0);
  add(clip, "second.mpg");
  add(clip, "first.mpg");
  pick_preset(10);  // "iPod format": MP4, whose index is written only by the trailer
  convert_until_row_runs(0, 5);
  window->close();
  app::finish_batch_before_exit(kBatchTimeoutMs);

  EXPECT_FALSE(app::batch_running());
  EXPECT_EQ(outputs(), (std::vector<std::string>{"first.mp4"}));
  EXPECT_TRUE(testsupport::decodes_fully(dir / "out" / "first.mp4"));
}

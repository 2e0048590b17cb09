// SPDX-License-Identifier: GPL-3.0-or-later
// Which decoded pictures reach the preview over several conversions in the
// real window: one in ten, counted on across jobs, and the preview box acts
// at once.

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>

#include "app/file_list.h"
#include "app/ids.h"
#include "app/main_window.h"
#include "app/tests/app_test_env.h"
#include "app/window_work.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

TEST(PreviewCountdown, EveryTenthPictureAcrossJobs) {
  fs::path clip = testsupport::mpeg2_ps_clip(1.0);
  ASSERT_EQ(testsupport::count_video_frames(clip), 25);
  fs::path dir = testsupport::temp_dir("preview_countdown");
  fs::copy_file(clip, dir / "clip.mpg");

  auto window = std::make_unique<app::MainWindow>();
  // No surface exists offscreen: the pictures the window is handed are counted.
  std::atomic<int> shown{0};
  window->job_display().show_preview_picture = [&shown](const AVFrame*, const AVCodecContext*) { ++shown; };
  window->control_as<QRadioButton>(app::kIdSaveHere)->click();
  window->control_as<QLineEdit>(app::kIdOutputFolder)->setText(QString::fromStdString(dir.string()));
  app::file_list::add_input_file(*window, (dir / "clip.mpg").string());
  auto* box = window->control_as<QCheckBox>(app::kIdPreviewBox);

  auto convert = [&](bool preview_on) {
    if (box->isChecked() != preview_on) box->click();
    shown = 0;
    window->dispatch_command(app::kIdConvert);
    EXPECT_TRUE(apptest::pump_until([&] { return !window->work().batch_running(); }, 300000));
    return shown.load();
  };

  EXPECT_EQ(convert(true), 2);   // pictures 10 and 20 of 25
  EXPECT_EQ(convert(true), 3);   // 5, 15 and 25: five were left over from the first job
  EXPECT_EQ(convert(false), 0);
  EXPECT_EQ(convert(true), 3);   // 1, 11 and 21: switched on after more than ten pictures

  window.reset();
  fs::remove_all(dir);
}

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// Which decoded pictures reach the preview over several conversions in the
// real window: one in ten, counted on across jobs, and the preview box acts
// at once.

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "app/batch_thread.h"
#include "app/file_list.h"
#include "app/ids.h"
#include "app/main_window.h"
#include "app/tests/app_test_env.h"
#include "engine/hooks.h"
#include "batch/progress_state.h"
#include "preview/preview.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

TEST(PreviewCountdown, EveryTenthPictureAcrossJobs) {
  fs::path clip = testsupport::mpeg2_ps_clip(1.0);
  ASSERT_EQ(testsupport::count_video_frames(clip), 25);
  fs::path dir = testsupport::temp_dir("preview_countdown");
  fs::copy_file(clip, dir / "clip.mpg");

  // The real show step (it resets the countdown), watched from outside; no
  // surface exists offscreen, so nothing is drawn.
  std::mutex mutex;
  std::vector<int> shown;  // picture number within its job, from 1
  engine::hooks().show_preview_picture = [&](const AVFrame* picture, const AVCodecContext* decoder) {
    {
      std::lock_guard lock(mutex);
      shown.push_back(batch::progress().decoded_frame_count.load() + 1);
    }
    preview::show_preview_picture(picture, decoder);
  };

  auto window = std::make_unique<app::MainWindow>();
  window->control_as<QRadioButton>(app::kIdSaveHere)->click();
  window->control_as<QLineEdit>(app::kIdOutputFolder)->setText(QString::fromStdString(dir.string()));
  app::file_list::add_input_file(*window, (dir / "clip.mpg").string());
  auto* box = window->control_as<QCheckBox>(app::kIdPreviewBox);

  auto convert = [&](bool preview_on) {
    if (box->isChecked() != preview_on) box->click();
    {
      std::lock_guard lock(mutex);
      shown.clear();
    }
    window->dispatch_command(app::kIdConvert);
    EXPECT_TRUE(apptest::pump_until([] { return !app::batch_running(); }, 300000));
    EXPECT_EQ(batch::progress().decoded_frame_count.load(), 25);
    std::lock_guard lock(mutex);
    return shown;
  };

  EXPECT_EQ(convert(true), (std::vector<int>{10, 20}));
  // Five pictures were left over from the first job.
  EXPECT_EQ(convert(true), (std::vector<int>{5, 15, 25}));
  EXPECT_EQ(convert(false), (std::vector<int>{}));
  // Switched on after more than ten pictures: the very next one is shown.
  EXPECT_EQ(convert(true), (std::vector<int>{1, 11, 21}));

  engine::hooks().show_preview_picture = nullptr;
  window.reset();
  fs::remove_all(dir);
}

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The batch window of clipmill-convert: the command line's recordings (a
// file, or the parts of one joined recording) as ticked rows, its choices as the settings, one report line on stdout per
// finished file, and on a terminal a progress line on stderr (percent,
// pictures per second, time left) drawn from the progress monitor's
// updates.

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "batch/batch_window.h"

namespace tool {

class ToolWindow : public batch::BatchWindow {
 public:
  ToolWindow(std::vector<std::vector<std::string>> recordings, presets::ConversionSettings settings,
             int files_at_once,
             bool progress_line);

  void set_progress_bar(int percent) override;
  void set_percent_text(const std::string&) override {}
  void set_statistics_text(const std::string& text) override;
  void set_done_text(int, const std::string&) override {}
  int row_count() override { return static_cast<int>(recordings_.size()); }
  int row_tick(int) override { return 0; }
  std::string row_title(int row) override;
  std::string row_path(int row) override { return recordings_.at(row).front(); }
  std::vector<std::string> row_further_parts(int row) override {
    const auto& parts = recordings_.at(row);
    return {parts.begin() + 1, parts.end()};
  }
  void scroll_to_row(int) override {}
  void set_processing_text(const std::string&) override {}
  void set_busy(bool) override {}
  // Whether a job has shown progress yet (the batch's first job has begun).
  bool started() const { return started_.load(std::memory_order_relaxed); }
  void set_row_outcome(int, const std::string&, const std::string&) override {}
  void set_summary_text(const std::string&) override {}
  presets::ConversionSettings read_settings() override { return settings_; }
  int files_at_once() override { return files_at_once_; }
  void job_finished(int row, const engine::JobOutcome& outcome, double seconds) override;

  // 0 when every file converted, 1 when one failed, 3 when one was
  // cancelled and none failed.
  int exit_status() const;

 private:
  std::vector<std::vector<std::string>> recordings_;  // each with at least one part
  presets::ConversionSettings settings_;
  int files_at_once_;
  void draw_progress();  // under mutex_

  bool progress_line_;
  std::mutex mutex_;  // report and progress lines from several threads
  int converted_ = 0, failed_ = 0, cancelled_ = 0;
  int percent_ = 0;
  std::string statistics_;
  std::chrono::steady_clock::time_point file_start_ = std::chrono::steady_clock::now();
  bool line_shown_ = false;
  std::atomic<bool> started_{false};
};

}  // namespace tool

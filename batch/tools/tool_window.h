// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The batch window of clipmill-convert: the command line's recordings (a
// file, or the parts of one joined recording) as ticked rows, its choices as
// the settings, one report line on stdout per finished file, and on a
// terminal a progress line on stderr (percent, pictures per second, time
// left) drawn from the batch's status updates. The batch's thread makes
// every call.

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "batch/batch_window.h"
#include "engine/output_sink.h"

namespace tool {

class ToolWindow : public batch::BatchWindow {
 public:
  ToolWindow(std::vector<std::vector<std::string>> recordings, presets::ConversionSettings settings,
             int files_at_once, bool progress_line);

  std::vector<batch::RowId> begin_batch() override;
  void end_batch() override {}
  std::optional<batch::SourceRow> source_row(batch::RowId row) override;
  void scroll_to_row(batch::RowId row) override;
  presets::ConversionSettings read_settings() override { return settings_; }
  int files_at_once() override { return files_at_once_; }
  void set_processing_text(const std::string&) override {}
  void set_percent_text(const std::string&) override {}
  void set_progress_bar(int percent) override;
  void set_statistics_text(const std::string& text) override;
  void set_done_text(batch::RowId, const std::string&) override {}
  void set_row_outcome(batch::RowId, const std::string&, const std::string&) override {}
  void set_summary_text(const std::string&) override {}
  void job_finished(batch::RowId row, const engine::JobOutcome& outcome, double seconds) override;

  // Whether a job has shown progress yet (the first job has begun, its
  // recording date read); any thread.
  bool started() const { return started_.load(std::memory_order_relaxed); }
  // 3 when a file was cancelled or never begun (a cancel or a signal), else
  // 1 when one failed, else 0.
  int exit_status() const;

  // After a cancelled batch: a line for each recording whose job never
  // began, "outcome=not-started". The batch's thread, once it has ended.
  void report_not_started();
  // A second signal: the files of unfinished jobs removed (those that are
  // still the files the jobs made), a line for each, then the process ends
  // with status 3 at once. Any thread.
  [[noreturn]] void abandon(const std::vector<engine::UnfinishedOutput>& outputs);

 private:
  void draw_progress();

  const std::vector<std::vector<std::string>> recordings_;  // each with at least one part
  const presets::ConversionSettings settings_;
  const int files_at_once_;
  const bool progress_line_;
  std::atomic<bool> started_{false};  // the display sets it; the cancel timer reads it
  std::vector<bool> taken_;           // the batch's thread: rows taken for a job (scrolled to)
  std::mutex report_mutex_;           // one report line at a time on stdout
  int converted_ = 0, failed_ = 0, cancelled_ = 0, not_started_ = 0;
  int percent_ = 0;
  std::string statistics_;
  std::chrono::steady_clock::time_point file_start_ = std::chrono::steady_clock::now();
  bool line_shown_ = false;
};

}  // namespace tool

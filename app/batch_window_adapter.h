// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The batch's view of the main window: the input list's rows by their
// identity through app/file_list.h, the status area, the option controls,
// the busy switch and the window's job display. Every call is carried out on
// the UI thread while the batch's thread waits. Once the window is gone the
// rows read as gone and writes do nothing, so a batch never touches a
// destroyed widget.

#include <QPointer>

#include "app/main_window.h"
#include "batch/batch_window.h"

namespace app {

class BatchWindowAdapter : public batch::BatchWindow {
 public:
  explicit BatchWindowAdapter(QPointer<MainWindow> window) : window_(std::move(window)) {}

  std::vector<batch::RowId> begin_batch() override;
  void end_batch() override;
  std::optional<batch::SourceRow> source_row(batch::RowId row) override;
  void scroll_to_row(batch::RowId row) override;
  void row_started(batch::RowId row, const std::string& output) override;
  presets::ConversionSettings read_settings() override;
  int files_at_once() override;
  void set_processing_text(const std::string& text) override;
  void set_percent_text(const std::string& text) override;
  void set_progress_bar(int percent) override;
  void set_statistics_text(const std::string& text) override;
  void set_time_left_text(const std::string& text) override { time_left_ = text; }
  void set_done_text(batch::RowId row, const std::string& text) override;
  void set_row_outcome(batch::RowId row, const std::string& done_text, const std::string& tooltip) override;
  void row_not_started(batch::RowId row) override;
  void set_summary_text(const std::string& text) override;
  void job_finished(batch::RowId row, const engine::JobOutcome& outcome, double seconds) override;
  batch::JobDisplay job_display() override;

 private:
  // Runs `f` with the window on the UI thread, if the window still exists.
  // Results travel through the caller's variables, which keep their safe
  // defaults when the call could not run.
  template <class F>
  void with_window(F&& f);
  // The same with the row's position, if the row is still in the list.
  template <class F>
  void with_row(batch::RowId row, F&& f);
  void set_label(int id, const std::string& text);

  QPointer<MainWindow> window_;
  std::string time_left_;  // shown after the next statistics text (the batch's thread)
};

}  // namespace app

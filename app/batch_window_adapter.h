// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The batch worker's view of the main window: the input list's rows through
// app/file_list.h, the status area and the option controls. Every call is
// carried out on the UI thread while the worker waits. Once the window is
// gone the rows read as empty and unticked and writes do nothing, so a batch
// still running at close never touches a destroyed widget.

#include <QPointer>

#include "app/main_window.h"
#include "batch/batch_window.h"

namespace app {

class BatchWindowAdapter : public batch::BatchWindow {
 public:
  explicit BatchWindowAdapter(QPointer<MainWindow> window) : window_(std::move(window)) {}

  void set_progress_bar(int percent) override;
  void set_percent_text(const std::string& text) override;
  void set_statistics_text(const std::string& text) override;
  void set_done_text(int row, const std::string& text) override;
  int row_count() override;
  int row_tick(int row) override;
  std::string row_title(int row) override;
  std::string row_path(int row) override;
  std::vector<std::string> row_further_parts(int row) override;
  void scroll_to_row(int row) override;
  void set_processing_text(const std::string& text) override;
  void set_busy(bool busy) override;
  void set_row_outcome(int row, const std::string& done_text, const std::string& tooltip) override;
  void set_summary_text(const std::string& text) override;
  presets::ConversionSettings read_settings() override;
  int files_at_once() override;

 private:
  // Runs `f` with the window on the UI thread, if the window still exists.
  // Results travel through the caller's variables, which keep their safe
  // defaults when the call could not run.
  template <class F>
  void with_window(F&& f);
  void set_label(int id, const std::string& text);

  QPointer<MainWindow> window_;
};

}  // namespace app

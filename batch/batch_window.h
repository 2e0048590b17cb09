// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the batch worker and the progress monitor need of the main window:
// the input list's rows, the status area and the busy switch. The window
// implements it over its controls (every call complete before it returns);
// tests implement it over plain values.

#include <string>

#include "engine/job.h"
#include "presets/conversion_settings.h"

namespace batch {

// The status area and the current row's "Done" column, written by the
// progress monitor while a file converts.
class ProgressDisplay {
 public:
  virtual ~ProgressDisplay() = default;
  virtual void set_progress_bar(int percent) = 0;               // control 1002, 0..100
  virtual void set_percent_text(const std::string& text) = 0;   // control 1005
  virtual void set_statistics_text(const std::string& text) = 0;  // control 1006
  virtual void set_done_text(int row, const std::string& text) = 0;  // column 3 of a row
};

class BatchWindow : public ProgressDisplay {
 public:
  virtual int row_count() = 0;
  // 0 ticked (to be converted), 1 unticked.
  virtual int row_tick(int row) = 0;
  virtual std::string row_title(int row) = 0;   // column 0
  virtual std::string row_path(int row) = 0;    // column 4, the source's full path
  // The parts of a joined recording after row_path, in order; none for a
  // row of one file.
  virtual std::vector<std::string> row_further_parts(int /*row*/) { return {}; }
  virtual void scroll_to_row(int row) = 0;
  virtual void set_processing_text(const std::string& text) = 0;  // control 1004
  virtual void set_busy(bool busy) = 0;
  // The row's outcome once its job ended: done column and tooltip.
  virtual void set_row_outcome(int row, const std::string& done_text, const std::string& tooltip) = 0;
  // The status bar's middle part: what the batch did, once it ended.
  virtual void set_summary_text(const std::string& text) = 0;
  // The user's choices as the controls show them now.
  virtual presets::ConversionSettings read_settings() = 0;
  // "Files at once": 1, 2, ... or 0 for "Auto". Read once per batch.
  virtual int files_at_once() { return 1; }
  // Every finished job, with its whole outcome and its time in seconds, after
  // its row shows the outcome.
  virtual void job_finished(int /*row*/, const engine::JobOutcome& /*outcome*/, double /*seconds*/) {}
};

}  // namespace batch

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the batch needs of the main window: the input list's rows by their
// identity, the status area, the busy switch and the window's part of every
// job's hooks. The window implements it over its controls (every call
// complete before it returns); clipmill-convert and the tests over plain
// values. The thread that runs the batch makes every call, except the job
// display's, which the jobs' own threads call.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/job.h"
#include "presets/conversion_settings.h"

namespace batch {

// A row's identity: given to the row when it enters the list and never
// reused, so rows inserted or removed while a batch runs shift none of its
// rows.
using RowId = std::uint64_t;

// What a row names for conversion.
struct SourceRow {
  std::string title;                        // names the output
  std::string path;                         // the source's full path
  std::vector<std::string> further_parts;   // the later parts of a joined recording
};

// How the window shows what a job hands it while it runs. Called on the
// jobs' threads. Empty members: no preview is drawn.
struct JobDisplay {
  // One decoded picture for the preview area.
  std::function<void(const AVFrame* picture, const AVCodecContext* decoder)> show_preview_picture;
  // Paints the preview area black.
  std::function<void()> clear_preview;
};

class BatchWindow {
 public:
  virtual ~BatchWindow() = default;

  // The ticked rows, top down, read once as the batch begins; the window
  // turns busy in the same step, so no command changes the list in between.
  // With no row ticked the window stays idle.
  virtual std::vector<RowId> begin_batch() = 0;
  // The window back to idle once the batch has ended.
  virtual void end_batch() = 0;
  // The row's title, path and parts as it is about to be converted; none
  // when the row has left the list.
  virtual std::optional<SourceRow> source_row(RowId row) = 0;
  virtual void scroll_to_row(RowId row) = 0;
  // The row's job is about to write `output`.
  virtual void row_started(RowId /*row*/, const std::string& /*output*/) {}
  // The user's choices as the controls show them now.
  virtual presets::ConversionSettings read_settings() = 0;
  // "Files at once": 1, 2, ... or 0 for "Auto". Read once per batch.
  virtual int files_at_once() { return 1; }

  // The status area and the rows' "Done" column. A write to a row that has
  // left the list does nothing.
  virtual void set_processing_text(const std::string& text) = 0;   // control 1004
  virtual void set_percent_text(const std::string& text) = 0;      // control 1005
  virtual void set_progress_bar(int percent) = 0;                  // control 1002, 0..100
  virtual void set_statistics_text(const std::string& text) = 0;   // control 1006
  // The batch's time left ("Time left: 3:20"), given before each statistics
  // text it goes with.
  virtual void set_time_left_text(const std::string& /*text*/) {}
  virtual void set_done_text(RowId row, const std::string& text) = 0;
  // The row's outcome once its job ended: done column and tooltip.
  virtual void set_row_outcome(RowId row, const std::string& done_text, const std::string& tooltip) = 0;
  // A ticked row that a Cancel kept from starting, once the batch ended.
  virtual void row_not_started(RowId /*row*/) {}
  // The status bar's middle part: what the batch did, once it ended.
  virtual void set_summary_text(const std::string& text) = 0;
  // Every finished job, with its whole outcome and its time in seconds, after
  // its row shows the outcome.
  virtual void job_finished(RowId /*row*/, const engine::JobOutcome& /*outcome*/, double /*seconds*/) {}

  // The window's part of every job's hooks, asked once per batch.
  virtual JobDisplay job_display() { return {}; }
};

}  // namespace batch

// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/batch_worker.h"

#include <chrono>
#include <thread>

#include "batch/conversion_job.h"
#include "batch/files_at_once.h"
#include "batch/job_setup.h"
#include "batch/outcome_text.h"
#include "batch/parallel_batch.h"
#include "batch/progress_monitor.h"
#include "batch/progress_state.h"

namespace batch {

namespace {

// Status area as it stands between files.
void reset_status(BatchWindow& window) {
  window.set_processing_text("Processing: ");
  window.set_percent_text("0%");
  window.set_statistics_text("");
  window.set_progress_bar(0);
}

// Converts one row; false when a Cancel came before its job began (the
// row then keeps its text).
bool convert_row(BatchWindow& window, int row, engine::JobSpec& spec, BatchCounts& counts) {
  auto& progress = batch::progress();
  window.scroll_to_row(row);
  progress.current_row.store(row, std::memory_order_relaxed);

  const std::string title = window.row_title(row);
  const std::string source = window.row_path(row);
  window.set_processing_text("Processing: " + title);

  progress.conversion_running.store(true, std::memory_order_relaxed);
  window.set_busy(true);

  // Fresh choices per row: a change made during the batch applies from the
  // next file on. The job setup fills the engine parameters, names the
  // output and chooses the DVD target; the monitor starts after it, right
  // before the job, which comes to the same as starting it between the
  // parameters and the target choice.
  const presets::ConversionSettings settings = window.read_settings();
  const JobChoices choices = job_choices(settings);
  prepare_job(choices, source, title, spec);
  spec.further_parts = window.row_further_parts(row);
  read_recording_time(choices, spec);

  bool ran = false;
  if (!progress.batch_stop_requested.load(std::memory_order_relaxed)) {
    std::thread monitor([&window] { progress_monitor(window); });
    // A failed row never stops the batch; it says why on its row.
    const auto started = std::chrono::steady_clock::now();
    const JobOutcome outcome = convert_file(spec);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    // The job clears the flag at its end; clearing it again makes sure the
    // monitor ends whatever path the job took.
    progress.conversion_running.store(false, std::memory_order_relaxed);
    monitor.join();
    // After the monitor has ended, so that a late percent cannot overwrite it.
    window.set_row_outcome(row, done_text(outcome), outcome_tooltip(outcome));
    window.job_finished(row, outcome, seconds);
    counts.add(outcome);
    ran = true;
  }
  progress.conversion_running.store(false, std::memory_order_relaxed);

  reset_status(window);
  window.set_busy(false);
  return ran;
}

}  // namespace

int run_batch(BatchWindow& window, engine::JobSpec& spec) {
  const int rows = window.row_count();
  auto& progress = batch::progress();
  int ticked = 0;
  for (int row = 0; row < rows; ++row) ticked += window.row_tick(row) == 0 ? 1 : 0;
  const int jobs = files_at_once(window.files_at_once(), ticked);
  if (jobs > 1) {
    run_parallel_batch(window, spec, jobs);
  } else {
    BatchCounts counts;
    bool any = false;
    for (int row = 0; row < rows; ++row) {
      if (progress.batch_stop_requested.load(std::memory_order_relaxed)) break;
      if (window.row_tick(row) != 0) continue;
      any = convert_row(window, row, spec, counts) || any;
    }
    if (any) window.set_summary_text(summary_text(counts));
  }
  // "Convert!" raised the flag before the first row; with no ticked row left
  // it would otherwise stay raised after the batch.
  progress.conversion_running.store(false, std::memory_order_relaxed);
  return 0;
}

int run_batch(BatchWindow& window) {
  engine::JobSpec spec;
  return run_batch(window, spec);
}

}  // namespace batch

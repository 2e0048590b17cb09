// SPDX-License-Identifier: GPL-3.0-or-later
// Batch::run: begin (the ticked rows, the window busy), then a loop of
// collect (the outcomes of ended jobs), take (the next rows into free job
// slots) and show (the status area), then end (the window idle, the count
// of what was done).
#include "batch/batch.h"

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>

#include "batch/conversion_job.h"
#include "batch/files_at_once.h"
#include "batch/job_setup.h"
#include "batch/outcome_text.h"
#include "batch/progress_monitor.h"
#include "batch/time_left.h"

namespace batch {

namespace {

namespace fs = std::filesystem;

// One batch, on the run's thread. The slots' threads touch only their own
// slot and, through job_ended, the wake-up below.
struct Run {
  Run(BatchWindow& w, const std::atomic<bool>& s) : window(w), stop(s) {}

  // A job ended: its slot's thread counts it and wakes the run's thread.
  // Declared before the slots, whose threads use it until they are joined.
  std::mutex mutex;
  std::condition_variable woken;
  int ended = 0;  // under mutex
  void job_ended() {
    {
      std::lock_guard lock(mutex);
      ++ended;
    }
    woken.notify_one();
  }

  BatchWindow& window;
  const std::atomic<bool>& stop;
  std::vector<RowId> rows;                     // the ticked rows, top down
  std::vector<int64_t> sizes;                  // their sources' bytes, measured as the batch began
  int64_t unread = 0;                          // bytes of the rows not yet ended
  TimeLeft time_left;
  size_t next = 0;                             // first row not yet taken
  std::vector<std::unique_ptr<JobSlot>> slots;
  bool one_at_a_time = true;
  BatchBytes bytes;
  std::set<fs::path> reserved;                 // output names of the running jobs
  BatchCounts counts;
  bool any = false;                            // some job ran
  std::string processing;                      // the processing text shown
};

// The hooks every job of slot `index` gets: for the first slot only, the
// window's preview; the Cancel flag; the slot's carry-over. A job's alert
// becomes its row's reason: nothing waits for a click.
engine::JobHooks slot_hooks(const JobDisplay& display, size_t index, const std::atomic<bool>& stop,
                            const std::atomic<bool>& preview, std::atomic<int>& countdown,
                            engine::CarryOver& carry) {
  engine::JobHooks hooks;
  hooks.stop = &stop;
  hooks.carry_over = &carry;
  // The preview shows one job: the other slots draw nothing and leave the
  // area alone.
  if (index == 0) {
    hooks.preview = &preview;
    hooks.preview_countdown = &countdown;
    hooks.show_preview_picture = display.show_preview_picture;
    hooks.clear_preview = display.clear_preview;
  }
  return hooks;
}

// The next ticked row still in the list, set up as its job; none once the
// rows are through or Cancel came. Rows are taken and named in list order,
// so names come out as they would one file at a time.
std::optional<RowJob> take_row(Run& run, engine::JobSpec& spec) {
  while (run.next < run.rows.size()) {
    if (run.stop.load(std::memory_order_relaxed)) return std::nullopt;
    const size_t index = run.next++;
    const RowId id = run.rows[index];
    const std::optional<SourceRow> source = run.window.source_row(id);
    if (!source) {
      run.unread -= run.sizes[index];
      continue;
    }
    run.window.scroll_to_row(id);
    RowJob job;
    job.row = id;
    job.title = source->title;
    // Fresh choices per row: a change made during the batch applies from
    // the next file on.
    job.choices = run.window.read_settings();
    job.output = prepare_job(job.choices, source->path, source->title, spec, &run.reserved).lexically_normal();
    spec.further_parts = source->further_parts;
    job.spec = spec;
    job.source_bytes = run.sizes[index];
    run.reserved.insert(job.output);
    run.window.row_started(id, job.output.string());
    return job;
  }
  return std::nullopt;
}

// Fills the free slots; true when a job started.
bool start_jobs(Run& run, engine::JobSpec& spec) {
  bool started = false;
  for (auto& slot : run.slots) {
    if (slot->busy()) continue;
    std::optional<RowJob> job = take_row(run, spec);
    if (!job) break;
    slot->start(std::move(*job));
    started = true;
  }
  return started;
}

// Writes the outcome of every ended job on its row; true when one ended.
bool collect_jobs(Run& run) {
  bool collected = false;
  for (auto& slot : run.slots) {
    if (!slot->busy() || !slot->ended()) continue;
    const FinishedJob done = slot->collect();
    run.window.set_row_outcome(done.job.row, done_text(done.outcome), outcome_tooltip(done.outcome));
    run.window.job_finished(done.job.row, done.outcome, done.seconds);
    run.bytes.done += done.job.source_bytes;
    run.unread -= done.job.source_bytes;
    run.reserved.erase(done.job.output);
    run.counts.add(done.outcome);
    run.any = true;
    collected = true;
  }
  return collected;
}

bool any_busy(const Run& run) {
  for (const auto& slot : run.slots)
    if (slot->busy()) return true;
  return false;
}

void show_running(Run& run) {
  std::vector<std::string> titles;
  for (const auto& slot : run.slots)
    if (slot->busy()) titles.push_back(slot->job().title);
  show_processing(run.window, titles, run.processing);
}

void show_jobs(Run& run) {
  std::vector<JobProgress> jobs;
  const uint32_t now = millisecond_tick();
  int64_t unread = run.unread;
  for (const auto& slot : run.slots) {
    if (!slot->busy()) continue;
    jobs.push_back(slot->progress(now));
    unread -= std::min(jobs.back().position, jobs.back().source_bytes);
  }
  run.time_left.update(jobs, unread,
                       std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count());
  run.window.set_time_left_text(time_left_text(run.time_left.seconds()));
  show_progress(run.window, jobs, run.one_at_a_time, run.bytes);
}

// Waits until the status area is due (true) or a job ended (false).
bool wait_for_display(Run& run, std::chrono::steady_clock::time_point& due) {
  std::unique_lock lock(run.mutex);
  if (run.woken.wait_until(lock, due, [&run] { return run.ended > 0; })) {
    run.ended = 0;
    return false;
  }
  // A late update does not bring on a burst of them.
  due = std::max(due, std::chrono::steady_clock::now()) + kMonitorPeriod;
  return true;
}

}  // namespace

Batch::Batch() = default;
Batch::~Batch() = default;

int Batch::run(BatchWindow& window) {
  Run run(window, stop_);
  run.rows = window.begin_batch();
  if (run.rows.empty()) return 0;

  const size_t jobs = files_at_once(window.files_at_once(), static_cast<int>(run.rows.size()));
  run.one_at_a_time = jobs == 1;
  // Each job's encoder gets its share of the cores, so that files times
  // encoder threads stays near the core count (0: every core, one file).
  spec_.thread_share = run.one_at_a_time ? 0 : std::max(1, core_count() / static_cast<int>(jobs));
  for (RowId id : run.rows) {
    const std::optional<SourceRow> source = window.source_row(id);
    run.sizes.push_back(source ? source_bytes(*source) : 0);
    run.bytes.total += run.sizes.back();
  }
  run.unread = run.bytes.total;
  const JobDisplay display = window.job_display();
  while (carry_overs_.size() < jobs) carry_overs_.push_back(std::make_unique<engine::CarryOver>());
  for (size_t i = 0; i < jobs; ++i)
    run.slots.push_back(std::make_unique<JobSlot>(
        slot_hooks(display, i, stop_, preview_, preview_countdown_, *carry_overs_[i]),
        [&run] { run.job_ended(); }));

  auto due = std::chrono::steady_clock::now() + kMonitorPeriod;
  for (;;) {
    const bool collected = collect_jobs(run);
    // Between files the status area shows no file.
    if (collected && !any_busy(run)) {
      show_idle_status(window);
      run.processing = "Processing: ";
    }
    if (start_jobs(run, spec_) || collected) show_running(run);
    if (!any_busy(run)) break;
    if (wait_for_display(run, due)) show_jobs(run);
  }

  // The rows a Cancel kept from starting, as far as they are still listed.
  for (size_t i = run.next; i < run.rows.size(); ++i) {
    if (!window.source_row(run.rows[i])) continue;
    window.row_not_started(run.rows[i]);
    ++run.counts.not_started;
  }
  window.end_batch();
  if (run.any || run.counts.not_started > 0) window.set_summary_text(summary_text(run.counts));
  return 0;
}

}  // namespace batch

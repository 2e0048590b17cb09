// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/parallel_batch.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "batch/conversion_job.h"
#include "batch/files_at_once.h"
#include "batch/job_setup.h"
#include "batch/outcome_text.h"
#include "batch/progress_monitor.h"
#include "batch/progress_state.h"

namespace batch {

namespace {

namespace fs = std::filesystem;

// One worker and the job it runs. The worker writes it; the monitor reads it.
struct Lane {
  engine::JobCounters counters;       // the running job's progress (its engine writes)
  std::atomic<uint32_t> start_ms{0};  // tick at the running job's start (worker)
  std::mutex row_mutex;               // a late percent never lands after the row's outcome
  int row = -1;                       // row converting, -1 none (under row_mutex)
  std::string title;                  // its title (under row_mutex)
  engine::CarryOver carry;            // what this worker's jobs hand on to each other
};

struct Batch {
  explicit Batch(BatchWindow& w) : window(w) {}
  BatchWindow& window;
  std::vector<int64_t> sizes;           // bytes of each row's source at the start; 0 unticked
  int64_t total_bytes = 0;              // of every ticked row
  std::atomic<int64_t> done_bytes{0};   // of the rows whose jobs ended
  std::mutex mutex;                     // guards the fields below
  int next_row = 0;                     // first row no worker has looked at
  std::set<fs::path> reserved;          // output names of jobs not yet ended
  BatchCounts counts;
  bool any = false;                     // some job ran
  std::atomic<bool> lanes_changed{false};  // a lane took or left a row since the last display
};

// The next ticked row from the top, with its job set up and its output
// name reserved, or -1 once the rows are through or a Cancel came. Rows are
// taken and named in list order, so names come out as they would one file
// at a time.
struct Claim {
  int row = -1;
  std::string title;
  fs::path output;
  JobChoices choices;  // the row's choices, read when it was taken
};

Claim claim_row(Batch& b, engine::JobSpec& spec) {
  std::lock_guard lock(b.mutex);
  BatchWindow& window = b.window;
  while (b.next_row < static_cast<int>(b.sizes.size())) {
    if (progress().batch_stop_requested.load(std::memory_order_relaxed)) return {};
    const int row = b.next_row++;
    if (window.row_tick(row) != 0) continue;
    Claim claim{row, window.row_title(row), {}, job_choices(window.read_settings())};
    claim.output =
        prepare_job(claim.choices, window.row_path(row), claim.title, spec, &b.reserved).lexically_normal();
    spec.further_parts = window.row_further_parts(row);
    b.reserved.insert(claim.output);
    return claim;
  }
  return {};
}

void convert_rows(Batch& b, Lane& lane, engine::JobSpec spec, bool shows_preview) {
  static const std::atomic<bool> kNoPreview{false};
  BatchWindow& window = b.window;
  for (Claim claim = claim_row(b, spec); claim.row >= 0; claim = claim_row(b, spec)) {
    const int row = claim.row;
    read_recording_time(claim.choices, spec);
    window.scroll_to_row(row);
    {
      std::lock_guard lock(lane.row_mutex);
      lane.counters.decoded_frame_count.store(0, std::memory_order_relaxed);
      lane.counters.progress_position.store(0, std::memory_order_relaxed);
      lane.counters.input_size.store(0, std::memory_order_relaxed);
      lane.start_ms.store(millisecond_tick(), std::memory_order_relaxed);
      lane.row = row;
      lane.title = claim.title;
    }
    b.lanes_changed.store(true, std::memory_order_relaxed);

    engine::JobHooks hooks = window_job_hooks();
    hooks.counters = &lane.counters;
    hooks.carry_over = &lane.carry;
    // The preview shows one job: the other workers draw nothing and leave
    // the area alone.
    if (!shows_preview) {
      hooks.preview = &kNoPreview;
      hooks.show_preview_picture = nullptr;
      hooks.clear_preview = nullptr;
      hooks.preview_countdown = nullptr;
    }
    const auto started = std::chrono::steady_clock::now();
    const JobOutcome outcome = engine::convert(spec, hooks);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    {
      std::lock_guard lock(lane.row_mutex);
      lane.row = -1;
      window.set_row_outcome(row, done_text(outcome), outcome_tooltip(outcome));
    }
    b.lanes_changed.store(true, std::memory_order_relaxed);
    window.job_finished(row, outcome, seconds);
    b.done_bytes.fetch_add(b.sizes[row], std::memory_order_relaxed);
    std::lock_guard lock(b.mutex);
    b.reserved.erase(claim.output);
    b.counts.add(outcome);
    b.any = true;
  }
}

// One display update: each running row's percent, the batch's bar and
// percent in bytes, the total pictures per second, what is processing.
void show_batch_progress(Batch& b, std::vector<std::unique_ptr<Lane>>& lanes, std::string& processing) {
  BatchWindow& window = b.window;
  int64_t read = b.done_bytes.load(std::memory_order_relaxed);
  int fps = 0, running = 0;
  std::string title;
  const uint32_t now = millisecond_tick();
  for (auto& lane : lanes) {
    std::lock_guard lock(lane->row_mutex);
    if (lane->row < 0) continue;
    ++running;
    title = lane->title;
    const int64_t position = lane->counters.progress_position.load(std::memory_order_relaxed);
    const int64_t size = lane->counters.input_size.load(std::memory_order_relaxed);
    window.set_done_text(lane->row, percent_text(percent_done(position, size)));
    read += std::min(position, b.sizes[lane->row]);
    const double seconds = (now - lane->start_ms.load(std::memory_order_relaxed)) / 1000.0;
    fps += frames_per_second(lane->counters.decoded_frame_count.load(std::memory_order_relaxed), seconds);
  }
  const int percent = percent_done(read, b.total_bytes);
  window.set_progress_bar(percent);
  window.set_percent_text(percent_text(percent));
  window.set_statistics_text(statistics_text(fps));
  const std::string now_processing =
      running > 1 ? "Processing: " + std::to_string(running) + " files" : "Processing: " + title;
  if (now_processing != processing) window.set_processing_text(now_processing);
  processing = now_processing;
}

int64_t size_of(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? static_cast<int64_t>(info.st_size) : 0;
}

}  // namespace

int run_parallel_batch(BatchWindow& window, const engine::JobSpec& spec, int jobs) {
  Batch b(window);
  const int rows = window.row_count();
  b.sizes.assign(rows, 0);
  for (int row = 0; row < rows; ++row) {
    if (window.row_tick(row) != 0) continue;
    b.sizes[row] = size_of(window.row_path(row));
    for (const std::string& part : window.row_further_parts(row)) b.sizes[row] += size_of(part);
    b.total_bytes += b.sizes[row];
  }

  window.set_busy(true);
  std::vector<std::unique_ptr<Lane>> lanes;
  for (int i = 0; i < jobs; ++i) lanes.push_back(std::make_unique<Lane>());
  std::atomic<bool> workers_running{true};
  std::thread monitor([&] {
    std::string processing = "Processing: ";
    while (wait_period_while(workers_running, &b.lanes_changed)) show_batch_progress(b, lanes, processing);
  });
  {
    // Each job's encoder gets its share of the cores, so that files times
    // encoder threads stays near the core count.
    engine::JobSpec shared = spec;
    shared.thread_share = std::max(1, core_count() / jobs);
    std::vector<std::jthread> workers;
    for (int i = 0; i < jobs; ++i)
      workers.emplace_back([&, i] { convert_rows(b, *lanes[i], shared, i == 0); });
  }
  workers_running.store(false);
  monitor.join();

  window.set_processing_text("Processing: ");
  window.set_percent_text("0%");
  window.set_statistics_text("");
  window.set_progress_bar(0);
  window.set_busy(false);
  if (b.any) window.set_summary_text(summary_text(b.counts));
  return 0;
}

}  // namespace batch

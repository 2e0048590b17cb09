// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One job of the batch: a job slot takes a row's prepared record, starts
// the job's counters and clock, converts the file on a thread of its own and
// keeps the outcome and the time it took until the batch collects them. A
// batch runs as many slots as files it converts at once.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <thread>

#include "batch/batch_window.h"
#include "batch/progress_monitor.h"
#include "engine/job.h"
#include "presets/conversion_settings.h"

namespace batch {

using engine::JobOutcome;
using engine::JobResult;
using engine::kJobCancelled;
using engine::kJobCodecFailed;
using engine::kJobHeaderFailed;
using engine::kJobNoInput;
using engine::kJobNoOutput;
using engine::kJobRan;
using engine::kJobSourceFailed;
using engine::kJobWriteFailed;
using engine::succeeded;

// Converts spec.input_path into spec.output_path: the engine's job with
// `hooks` (left empty: no window, counters of its own).
JobOutcome convert_file(const engine::JobSpec& spec, engine::JobHooks hooks = {});

// Bytes of a row's source with all its parts; 0 for what is missing or no
// regular file.
int64_t source_bytes(const SourceRow& row);

// A row as the batch hands it to a slot.
struct RowJob {
  RowId row = 0;
  std::string title;
  std::filesystem::path output;         // its output's name, held until the job ends
  presets::ConversionSettings choices;  // as read when the row was taken
  engine::JobSpec spec;
  int64_t source_bytes = 0;             // measured when the batch began; 0 one file at a time
};

struct FinishedJob {
  RowJob job;
  JobOutcome outcome;
  double seconds = 0;  // from the start to the outcome
};

class JobSlot {
 public:
  // `hooks`: every job of this slot gets them, with the slot's counters.
  explicit JobSlot(engine::JobHooks hooks);
  JobSlot(const JobSlot&) = delete;
  JobSlot& operator=(const JobSlot&) = delete;

  // The batch's thread. Sets the job's counters to 0, then on the slot's
  // thread reads the source's recording time when the choices keep it,
  // starts the job's clock and converts; calls `ended` on that thread once
  // the outcome is in.
  void start(RowJob job, std::function<void()> ended);
  // The batch's thread: a job was started and not yet collected.
  bool busy() const { return busy_; }
  // Any thread: the started job has its outcome.
  bool ended() const { return ended_.load(std::memory_order_acquire); }
  // The batch's thread, once ended(): joins the slot's thread and hands the
  // job over; the slot is free again.
  FinishedJob collect();

  // The running job, for the display (the batch's thread, while busy()).
  const RowJob& job() const { return job_; }
  // What it has done by the millisecond tick `now`.
  JobProgress progress(uint32_t now) const;

 private:
  engine::JobHooks hooks_;        // the job thread's; fixed while a job runs
  engine::JobCounters counters_;  // the job's engine writes, the batch's thread reads
  RowJob job_;                    // the batch's thread fills it before the job's thread starts
  // Tick at the conversion's start (the job's thread); until then the
  // counters read 0, so the display shows 0 pictures per second.
  std::atomic<uint32_t> start_ms_{0};
  JobOutcome outcome_;            // the job's thread, before ended_
  double seconds_ = 0;            // the job's thread, before ended_
  std::atomic<bool> ended_{false};  // the job's thread sets it; start clears it before that thread exists
  bool busy_ = false;             // the batch's thread
  std::jthread thread_;           // the running job; joined by collect
};

}  // namespace batch

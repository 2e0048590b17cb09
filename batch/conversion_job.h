// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One job of the batch at a time: a job slot takes a row's prepared record,
// starts the job's counters and clock, converts the file on the slot's own
// thread and keeps the outcome and the time it took until the batch
// collects them. A batch runs as many slots as files it converts at once;
// each slot's thread lives for the whole batch.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
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
  int64_t source_bytes = 0;             // measured when the batch began
};

struct FinishedJob {
  RowJob job;
  JobOutcome outcome;
  double seconds = 0;  // from the start to the outcome
};

class JobSlot {
 public:
  // `hooks`: every job of this slot gets them, with the slot's counters.
  // `ended` is called on the slot's thread each time a job has its outcome.
  JobSlot(engine::JobHooks hooks, std::function<void()> ended);
  // Lets the slot's thread end (after the job it runs, if any) and joins it.
  ~JobSlot();
  JobSlot(const JobSlot&) = delete;
  JobSlot& operator=(const JobSlot&) = delete;

  // The batch's thread, while the slot is free. Sets the job's counters to
  // 0 and hands the job to the slot's thread, which reads the source's
  // recording time when the choices keep it, starts the job's clock and
  // converts.
  void start(RowJob job);
  // The batch's thread: a job was started and not yet collected.
  bool busy() const { return busy_; }
  // Any thread: the started job has its outcome.
  bool ended() const { return ended_.load(std::memory_order_acquire); }
  // The batch's thread, once ended(): the job and its outcome; the slot is
  // free again.
  FinishedJob collect();

  // The running job, for the display (the batch's thread, while busy()).
  const RowJob& job() const { return job_; }
  // What it has done by the millisecond tick `now`.
  JobProgress progress(uint32_t now) const;

 private:
  void run_jobs();  // the slot's thread

  engine::JobHooks hooks_;        // fixed while the slot lives
  std::function<void()> on_ended_;
  engine::JobCounters counters_;  // the job's engine writes, the batch's thread reads
  // Handed over by start to the slot's thread, handed back with ended_.
  RowJob job_;
  JobOutcome outcome_;            // the slot's thread, before ended_
  double seconds_ = 0;            // the slot's thread, before ended_
  // Tick at the conversion's start (the slot's thread); until then the
  // counters read 0, so the display shows 0 pictures per second.
  std::atomic<uint32_t> start_ms_{0};
  // The job has its outcome: the slot's thread sets it; start clears it
  // while the slot's thread waits for the job.
  std::atomic<bool> ended_{false};
  bool busy_ = false;             // the batch's thread
  std::mutex mutex_;
  std::condition_variable wake_;
  int jobs_started_ = 0;          // under mutex_: the batch's thread counts each start
  bool closing_ = false;          // under mutex_: the destructor's
  std::jthread thread_;           // declared last: joined before the rest goes
};

}  // namespace batch

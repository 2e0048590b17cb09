// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Counters and flags shared by the window, the batch worker, the conversion
// job and the progress monitor. Every field has one writing thread per role
// below; readers may see a value one poll late, which the display
// tolerates, so relaxed atomics are enough.

#include <atomic>
#include <cstdint>
#include <functional>

#include "engine/job.h"

namespace batch {

// The counters the running job publishes (input size, position read,
// pictures decoded: engine::JobCounters, written by the job's engine run)
// and the window's flags around it.
struct ProgressState : engine::JobCounters {
  // Millisecond tick at the start of the job (job).
  std::atomic<uint32_t> job_start_time{0};
  // Last measured job time in milliseconds (elapsed_seconds, monitor thread).
  std::atomic<uint32_t> elapsed_ms{0};
  // The job clock runs (job: true at start, false at end).
  std::atomic<bool> clock_running{false};
  // A conversion job is in progress (Convert! and the worker set it, the job
  // clears it at its end; the monitor ends when it is false).
  std::atomic<bool> conversion_running{false};
  // The running conversion is to end now (Cancel sets it, Convert! clears
  // it; the job's read loop polls it once per packet).
  std::atomic<bool> stop_requested{false};
  // No further row of the batch is to start (Cancel sets, Convert! clears).
  std::atomic<bool> batch_stop_requested{false};
  // List row being converted (batch worker); the monitor writes its done text.
  std::atomic<int32_t> current_row{0};
  // Show decoded pictures in the preview (the window keeps it equal to the
  // "Preview during conversion" box; the packet step reads it per picture).
  std::atomic<bool> preview{false};
};

// The one process-wide instance.
ProgressState& progress();

// Millisecond tick counter (monotonic, wraps at 2^32). Tests may replace the
// source to exercise wrap-around; pass an empty function to restore it.
uint32_t millisecond_tick();
void set_tick_source(std::function<uint32_t()> source);

}  // namespace batch

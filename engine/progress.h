#pragma once
// Counters and flags shared by the window, the batch worker, the conversion
// job, the engine and the progress monitor. Every field has one writing
// thread per role below; readers may see a value one poll late, which the
// display tolerates, so relaxed atomics are enough.

#include <atomic>
#include <cstdint>
#include <functional>

namespace engine {

struct ProgressState {
  // Size of the current input file in bytes, 0 when it cannot be measured;
  // written by the job at its start. 64-bit: camcorder files exceed 2 GiB.
  std::atomic<int64_t> input_size{0};
  // Largest byte position read from the input so far; 0 at job start (job),
  // raised by the engine's read loop.
  std::atomic<int64_t> progress_position{0};
  // Video pictures decoded in this job; 0 at job start (job), +1 per picture
  // (engine packet step).
  std::atomic<int32_t> decoded_frame_count{0};
  // Millisecond tick at the start of the job (job).
  std::atomic<uint32_t> job_start_time{0};
  // Last measured job time in milliseconds (elapsed_seconds, monitor thread).
  std::atomic<uint32_t> elapsed_ms{0};
  // The job clock runs (job: true at start, false at end).
  std::atomic<bool> clock_running{false};
  // A conversion job is in progress (Convert! and the worker set it, the job
  // clears it at its end; the monitor ends when it is false).
  std::atomic<bool> conversion_running{false};
  // The running conversion is to end now (Cancel sets it; the job clears it
  // at its start; the read loop polls it once per packet).
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

}  // namespace engine

// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/conversion_job.h"

#include <sys/stat.h>

#include <chrono>

#include "batch/job_setup.h"
#include "batch/progress_monitor.h"

namespace batch {

namespace {

int64_t bytes_of(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? static_cast<int64_t>(info.st_size) : 0;
}

}  // namespace

JobOutcome convert_file(const engine::JobSpec& spec, engine::JobHooks hooks) {
  return engine::convert(spec, hooks);
}

int64_t source_bytes(const SourceRow& row) {
  int64_t bytes = bytes_of(row.path);
  for (const std::string& part : row.further_parts) bytes += bytes_of(part);
  return bytes;
}

JobSlot::JobSlot(engine::JobHooks hooks, std::function<void()> ended)
    : hooks_(std::move(hooks)), on_ended_(std::move(ended)) {
  hooks_.counters = &counters_;
  thread_ = std::jthread([this] { run_jobs(); });
}

JobSlot::~JobSlot() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  wake_.notify_one();
}

void JobSlot::start(RowJob job) {
  // The display may look before the engine has measured the new source.
  counters_.decoded_frame_count.store(0, std::memory_order_relaxed);
  counters_.progress_position.store(0, std::memory_order_relaxed);
  counters_.input_size.store(0, std::memory_order_relaxed);
  job_ = std::move(job);
  ended_.store(false, std::memory_order_relaxed);
  busy_ = true;
  {
    std::lock_guard lock(mutex_);
    ++jobs_started_;
  }
  wake_.notify_one();
}

void JobSlot::run_jobs() {
  for (int done = 0;; ++done) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return closing_ || jobs_started_ > done; });
      if (jobs_started_ == done) return;
    }
    read_recording_time(job_.choices, job_.spec);
    // The job's clock starts with the conversion itself.
    start_ms_.store(millisecond_tick(), std::memory_order_relaxed);
    const auto started = std::chrono::steady_clock::now();
    outcome_ = engine::convert(job_.spec, hooks_);
    seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ended_.store(true, std::memory_order_release);
    on_ended_();
  }
}

JobProgress JobSlot::progress(uint32_t now) const {
  JobProgress p;
  p.row = job_.row;
  p.position = counters_.progress_position.load(std::memory_order_relaxed);
  p.size = counters_.input_size.load(std::memory_order_relaxed);
  p.source_bytes = job_.source_bytes;
  p.frames = counters_.decoded_frame_count.load(std::memory_order_relaxed);
  p.seconds = seconds_between(start_ms_.load(std::memory_order_relaxed), now);
  return p;
}

FinishedJob JobSlot::collect() {
  busy_ = false;
  return FinishedJob{std::move(job_), std::move(outcome_), seconds_};
}

}  // namespace batch

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status area while a batch runs, written by the batch's thread from the
// running jobs' counters: after every change of the running jobs and every
// kMonitorPeriod in between.

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "batch/batch_window.h"

namespace batch {

constexpr std::chrono::milliseconds kMonitorPeriod{90};

// Monotonic millisecond tick; wraps at 2^32.
uint32_t millisecond_tick();
// Seconds from one tick to a later one: the unsigned 32-bit difference, so
// a wrap of the tick in between is harmless.
double seconds_between(uint32_t start_tick, uint32_t now_tick);

// Percent of the input read: position / size in single precision, times 100
// in single precision, floored; 99 is shown as 100; 0 when size is 0. Kept
// within 0..100 for the bar.
int percent_done(int64_t position, int64_t size);
// "42 %" (with a blank), as the percent text and the done column show it.
std::string percent_text(int percent);
// Decoded pictures per second, truncated; 0 when no time has passed.
int frames_per_second(int32_t frames, double seconds);
// "Statistics: 31 Fps".
std::string statistics_text(int fps);

// The status area as it stands between files: "Processing: ", "0%", no
// statistics, the bar at 0.
void show_idle_status(BatchWindow& window);

// The bytes of a batch of several files at once: all its ticked rows', and
// those of the rows whose jobs ended.
struct BatchBytes {
  int64_t total = 0;
  int64_t done = 0;
};

// What a running job has done so far, as its counters showed it.
struct JobProgress {
  RowId row = 0;
  int64_t position = 0;      // bytes of the source read
  int64_t size = 0;          // bytes of the source, as the job measured them
  int64_t source_bytes = 0;  // its share of BatchBytes::total
  int32_t frames = 0;        // pictures decoded
  double seconds = 0;        // since the conversion started
};

// One update from the running jobs: each running row's percent in its
// "Done" column; the bar and the percent text with the running file's
// percent when `one_at_a_time`, else with the share of the batch's bytes
// read; the statistics line with the pictures per second of all running
// jobs.
void show_progress(BatchWindow& window, std::span<const JobProgress> jobs, bool one_at_a_time,
                   const BatchBytes& bytes);
// "Processing: " and the title of the one running file, or the number of
// files running; written only when it differs from `shown`, which it
// updates.
void show_processing(BatchWindow& window, std::span<const std::string> running_titles, std::string& shown);

}  // namespace batch

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The job clock and the progress monitor: one monitor per converted file
// polls the engine's counters every 90 ms and writes the bar, the percent
// texts and the statistics line.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "batch/batch_window.h"

namespace batch {

constexpr std::chrono::milliseconds kMonitorPeriod{90};

// Waits one monitor period, or less once `flag` has become false: a
// finished job does not wait out the rest of a period before the next
// file starts or the batch ends. False when the flag is false. A `wake`
// flag found set is cleared and ends the wait early (true).
bool wait_period_while(const std::atomic<bool>& flag, std::atomic<bool>* wake = nullptr);

// Job time in seconds: measured from job_start_time while the clock runs
// (unsigned 32-bit difference, so a tick wrap-around is harmless), otherwise
// the last measured value, frozen until the next job.
double elapsed_seconds();

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

// One display update from the shared counters (steps 4 to 8 of a poll).
void show_progress(ProgressDisplay& display);

// Thread body: polls every kMonitorPeriod until conversion_running is false.
// Returns 0.
int progress_monitor(ProgressDisplay& display);

}  // namespace batch

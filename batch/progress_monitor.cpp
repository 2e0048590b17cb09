// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/progress_monitor.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <thread>

#include "batch/progress_state.h"

namespace batch {

double elapsed_seconds() {
  auto& p = batch::progress();
  if (p.clock_running.load(std::memory_order_relaxed)) {
    const uint32_t now = batch::millisecond_tick();
    // Unsigned subtraction: correct across a wrap of the 32-bit tick.
    p.elapsed_ms.store(now - p.job_start_time.load(std::memory_order_relaxed), std::memory_order_relaxed);
  }
  return p.elapsed_ms.load(std::memory_order_relaxed) / 1000.0;
}

int percent_done(int64_t position, int64_t size) {
  if (size <= 0) return 0;
  const float quotient = static_cast<float>(static_cast<double>(position) / static_cast<double>(size));
  const float scaled = quotient * 100.0f;
  // A file that grew while it was read could exceed its measured size.
  if (!(scaled >= 0.0f)) return 0;
  if (scaled >= 100.0f) return 100;
  int percent = static_cast<int>(std::floor(scaled));
  if (percent == 99) percent = 100;
  return percent;
}

std::string percent_text(int percent) { return std::to_string(percent) + " %"; }

int frames_per_second(int32_t frames, double seconds) {
  if (seconds == 0.0) return 0;
  const double rate = frames / seconds;
  if (!(rate < 2147483647.0)) return rate > 0 ? 2147483647 : 0;
  return static_cast<int>(rate);
}

std::string statistics_text(int fps) { return "Statistics: " + std::to_string(fps) + " Fps"; }

void show_progress(ProgressDisplay& display) {
  auto& p = batch::progress();
  const int percent = percent_done(p.progress_position.load(std::memory_order_relaxed),
                                   p.input_size.load(std::memory_order_relaxed));
  display.set_progress_bar(percent);
  const std::string text = percent_text(percent);
  display.set_percent_text(text);
  display.set_done_text(p.current_row.load(std::memory_order_relaxed), text);

  int fps = 0;
  if (elapsed_seconds() != 0.0)
    fps = frames_per_second(p.decoded_frame_count.load(std::memory_order_relaxed), elapsed_seconds());
  display.set_statistics_text(statistics_text(fps));
}

bool wait_period_while(const std::atomic<bool>& flag, std::atomic<bool>* wake) {
  // The flag is looked at every 10 ms: an atomic load, cheaper than a
  // condition that every writer of the flag would have to signal.
  constexpr auto kSlice = std::chrono::milliseconds(10);
  const auto until = std::chrono::steady_clock::now() + kMonitorPeriod;
  while (flag.load(std::memory_order_relaxed)) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= until || (wake && wake->exchange(false, std::memory_order_relaxed))) return true;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kSlice, until - now));
  }
  return false;
}

int progress_monitor(ProgressDisplay& display) {
  auto& running = batch::progress().conversion_running;
  while (running.load(std::memory_order_relaxed) && wait_period_while(running)) show_progress(display);
  return 0;
}

}  // namespace batch

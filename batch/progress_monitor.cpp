// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/progress_monitor.h"

#include <algorithm>
#include <cmath>

namespace batch {

uint32_t millisecond_tick() {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

double seconds_between(uint32_t start_tick, uint32_t now_tick) {
  // Unsigned subtraction: correct across a wrap of the 32-bit tick.
  return static_cast<uint32_t>(now_tick - start_tick) / 1000.0;
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

void show_idle_status(BatchWindow& window) {
  window.set_processing_text("Processing: ");
  window.set_percent_text("0%");
  window.set_statistics_text("");
  window.set_progress_bar(0);
}

void show_progress(BatchWindow& window, std::span<const JobProgress> jobs, bool one_at_a_time,
                   const BatchBytes& bytes) {
  int64_t read = bytes.done;
  int file_percent = 0;
  int fps = 0;
  for (const JobProgress& job : jobs) {
    file_percent = percent_done(job.position, job.size);
    window.set_done_text(job.row, percent_text(file_percent));
    read += std::min(job.position, job.source_bytes);
    fps += frames_per_second(job.frames, job.seconds);
  }
  const int percent = one_at_a_time ? file_percent : percent_done(read, bytes.total);
  window.set_progress_bar(percent);
  window.set_percent_text(percent_text(percent));
  window.set_statistics_text(statistics_text(fps));
}

void show_processing(BatchWindow& window, std::span<const std::string> running_titles, std::string& shown) {
  const size_t running = running_titles.size();
  const std::string text = running > 1 ? "Processing: " + std::to_string(running) + " files"
                                       : "Processing: " + (running ? running_titles.front() : std::string());
  if (text != shown) window.set_processing_text(text);
  shown = text;
}

}  // namespace batch

// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/progress_state.h"

#include <chrono>
#include <mutex>

namespace batch {

ProgressState& progress() {
  static ProgressState state;
  return state;
}

namespace {
std::mutex tick_mutex;
std::function<uint32_t()>& tick_source() {
  static std::function<uint32_t()> source;
  return source;
}
}  // namespace

uint32_t millisecond_tick() {
  {
    std::lock_guard lock(tick_mutex);
    if (tick_source()) return tick_source()();
  }
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void set_tick_source(std::function<uint32_t()> source) {
  std::lock_guard lock(tick_mutex);
  tick_source() = std::move(source);
}

}  // namespace batch

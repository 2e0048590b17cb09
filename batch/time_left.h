// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The batch's time left: the source bytes still to read over the rate at
// which all running jobs read them together, measured over one-second spans
// and smoothed, so that a slow stretch or a job that just started does not
// throw the figure about. Camcorder streams run at a near-constant bit
// rate, so bytes stand for media seconds. Used on the batch's thread.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>

#include "batch/progress_monitor.h"

namespace batch {

class TimeLeft {
 public:
  // One look at the running jobs at `now` (seconds on any steady clock);
  // `unread` is what the batch has still to read, the running jobs' rest
  // included.
  void update(std::span<const JobProgress> jobs, int64_t unread, double now);
  // Seconds left; none until a rate has been measured.
  std::optional<double> seconds() const;

 private:
  std::map<RowId, int64_t> last_position_;  // each running row's bytes at the last look
  double span_start_ = -1;                  // when the current span began
  int64_t span_bytes_ = 0;                  // read since then
  double rate_ = 0;                         // bytes per second, smoothed
  bool known_ = false;
  int64_t unread_ = 0;
};

// "Time left: 3:20", "Time left: 1:02:05" past an hour, "Time left: —"
// while unknown.
std::string time_left_text(std::optional<double> seconds);

}  // namespace batch

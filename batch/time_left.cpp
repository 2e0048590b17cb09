// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/time_left.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace batch {

namespace {

constexpr double kSpanSeconds = 1.0;
// The weight of the newest span: about the last five seconds count.
constexpr double kNewWeight = 0.2;

}  // namespace

void TimeLeft::update(std::span<const JobProgress> jobs, int64_t unread, double now) {
  unread_ = std::max<int64_t>(unread, 0);
  std::map<RowId, int64_t> positions;
  for (const JobProgress& job : jobs) {
    const auto last = last_position_.find(job.row);
    const int64_t before = last == last_position_.end() ? 0 : last->second;
    span_bytes_ += std::max<int64_t>(job.position - before, 0);
    positions[job.row] = job.position;
  }
  last_position_ = std::move(positions);
  if (span_start_ < 0) {
    span_start_ = now;
    span_bytes_ = 0;
    return;
  }
  const double span = now - span_start_;
  if (span < kSpanSeconds) return;
  const double rate = static_cast<double>(span_bytes_) / span;
  rate_ = known_ ? rate_ + kNewWeight * (rate - rate_) : rate;
  known_ = true;
  span_start_ = now;
  span_bytes_ = 0;
}

std::optional<double> TimeLeft::seconds() const {
  if (!known_ || !(rate_ > 0)) return std::nullopt;
  return static_cast<double>(unread_) / rate_;
}

std::string time_left_text(std::optional<double> seconds) {
  if (!seconds || !(*seconds < 360000.0)) return "Time left: \u2014";
  const long total = std::lround(*seconds);
  char text[32];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return std::string("Time left: ") + text;
}

}  // namespace batch

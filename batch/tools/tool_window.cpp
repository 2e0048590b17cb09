// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/tools/tool_window.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "batch/outcome_text.h"

namespace tool {

ToolWindow::ToolWindow(std::vector<std::vector<std::string>> recordings, presets::ConversionSettings settings,
                       int files_at_once, bool progress_line)
    : recordings_(std::move(recordings)),
      settings_(std::move(settings)),
      files_at_once_(files_at_once),
      progress_line_(progress_line) {}

std::vector<batch::RowId> ToolWindow::begin_batch() {
  std::vector<batch::RowId> rows;
  for (size_t i = 0; i < recordings_.size(); ++i) rows.push_back(i);
  return rows;
}

std::optional<batch::SourceRow> ToolWindow::source_row(batch::RowId row) {
  const auto& parts = recordings_.at(row);
  return batch::SourceRow{std::filesystem::path(parts.front()).filename().string(), parts.front(),
                          {parts.begin() + 1, parts.end()}};
}

void ToolWindow::set_progress_bar(int percent) {
  started_.store(true, std::memory_order_relaxed);
  // The bar drops to 0 between files (one at a time): a new file's clock.
  if (percent < percent_ || (percent == 0 && percent_ != 0)) file_start_ = std::chrono::steady_clock::now();
  percent_ = percent;
  draw_progress();
}

void ToolWindow::set_statistics_text(const std::string& text) {
  statistics_ = text.rfind("Statistics: ", 0) == 0 ? text.substr(12) : text;
}

void ToolWindow::draw_progress() {
  if (!progress_line_ || statistics_.empty()) return;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - file_start_).count();
  std::string eta = "--:--";
  if (percent_ > 0) {
    const int left = static_cast<int>(seconds * (100 - percent_) / percent_);
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d", left / 60, left % 60);
    eta = text;
  }
  const int done = converted_ + failed_ + cancelled_;
  std::fprintf(stderr, "\r[%d/%zu] %3d %%  %s  ETA %s   ", std::min<int>(done + 1, static_cast<int>(recordings_.size())),
               recordings_.size(), percent_, statistics_.c_str(), eta.c_str());
  std::fflush(stderr);
  line_shown_ = true;
}

void ToolWindow::job_finished(batch::RowId row, const engine::JobOutcome& outcome, double seconds) {
  std::string reason = batch::outcome_reason(outcome);
  if (const std::string detail = batch::outcome_detail(outcome); !detail.empty()) reason += " (" + detail + ")";
  if (line_shown_) {
    std::fputs("\r\033[K", stderr);  // the progress line gives way to the report
    line_shown_ = false;
  }
  // The tooltip's notes (streams a copy left out, ...) on the one line.
  std::string notes = outcome.notes;
  std::replace(notes.begin(), notes.end(), '\n', ';');
  std::printf("output=%s result=%d seconds=%.3f frames=%d outcome=%s reason=\"%s\" notes=\"%s\" parts=%zu input=%s\n",
              outcome.output_path.c_str(), outcome.code, seconds, outcome.frames, batch::outcome_word(outcome),
              reason.c_str(), notes.c_str(), recordings_.at(row).size(), recordings_.at(row).front().c_str());
  std::fflush(stdout);
  if (outcome.code == engine::kJobRan) ++converted_;
  else if (outcome.code == engine::kJobCancelled) ++cancelled_;
  else ++failed_;
}

int ToolWindow::exit_status() const {
  if (failed_ > 0) return 1;
  return cancelled_ > 0 ? 3 : 0;
}

}  // namespace tool

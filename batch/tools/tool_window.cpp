// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/tools/tool_window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "batch/outcome_text.h"

namespace tool {

namespace {

// `text` in double quotes with C's escapes for '"', '\\' and control bytes
// (\n, \r, \t, else three octal digits), so that no name or reason can
// split the report's line or its fields.
std::string c_quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte == 0x7f) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\%03o", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + '"';
}

}  // namespace

ToolWindow::ToolWindow(std::vector<std::vector<std::string>> recordings, presets::ConversionSettings settings,
                       int files_at_once, bool progress_line)
    : recordings_(std::move(recordings)),
      settings_(std::move(settings)),
      files_at_once_(files_at_once),
      progress_line_(progress_line) {}

std::vector<batch::RowId> ToolWindow::begin_batch() {
  taken_.assign(recordings_.size(), false);
  std::vector<batch::RowId> rows;
  for (size_t i = 0; i < recordings_.size(); ++i) rows.push_back(i);
  return rows;
}

std::optional<batch::SourceRow> ToolWindow::source_row(batch::RowId row) {
  const auto& parts = recordings_.at(row);
  return batch::SourceRow{std::filesystem::path(parts.front()).filename().string(), parts.front(),
                          {parts.begin() + 1, parts.end()}};
}

// The batch scrolls to each row it takes for a job, and only then.
void ToolWindow::scroll_to_row(batch::RowId row) { taken_.at(row) = true; }

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
  std::lock_guard lock(report_mutex_);
  std::printf("output=%s result=%d seconds=%.3f frames=%d outcome=%s reason=%s notes=%s parts=%zu input=%s\n",
              c_quoted(outcome.output_path).c_str(), outcome.code, seconds, outcome.frames,
              batch::outcome_word(outcome), c_quoted(reason).c_str(), c_quoted(notes).c_str(),
              recordings_.at(row).size(), c_quoted(recordings_.at(row).front()).c_str());
  std::fflush(stdout);
  if (outcome.code == engine::kJobRan) ++converted_;
  else if (outcome.code == engine::kJobCancelled) ++cancelled_;
  else ++failed_;
}

void ToolWindow::report_not_started() {
  std::lock_guard lock(report_mutex_);
  for (size_t row = 0; row < recordings_.size(); ++row) {
    if (row < taken_.size() && taken_[row]) continue;
    ++not_started_;
    std::printf("output=\"\" result=%d seconds=0.000 frames=0 outcome=not-started "
                "reason=\"Not started: the batch was stopped\" notes=\"\" parts=%zu input=%s\n",
                engine::kJobCancelled, recordings_[row].size(), c_quoted(recordings_[row].front()).c_str());
  }
  std::fflush(stdout);
}

void ToolWindow::abandon(const std::vector<engine::UnfinishedOutput>& outputs) {
  // Held until the end: no line of a finishing job comes between.
  report_mutex_.lock();
  for (const engine::UnfinishedOutput& output : outputs) {
    if (!engine::remove_if_same(output.path, output.device, output.inode)) continue;
    std::printf("output=%s result=%d seconds=0.000 frames=0 outcome=cancelled "
                "reason=\"Stopped by a second signal; the unfinished file was removed\" notes=\"\" parts=0 "
                "input=\"\"\n",
                c_quoted(output.path).c_str(), engine::kJobCancelled);
  }
  std::fflush(stdout);
  std::_Exit(3);
}

int ToolWindow::exit_status() const {
  if (cancelled_ > 0 || not_started_ > 0) return 3;
  return failed_ > 0 ? 1 : 0;
}

}  // namespace tool

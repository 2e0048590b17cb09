#include "batch/tools/tool_window.h"

#include <cstdio>
#include <filesystem>

#include "batch/outcome_text.h"

namespace tool {

ToolWindow::ToolWindow(std::vector<std::string> inputs, presets::ConversionSettings settings, int files_at_once)
    : inputs_(std::move(inputs)), settings_(std::move(settings)), files_at_once_(files_at_once) {}

std::string ToolWindow::row_title(int row) { return std::filesystem::path(inputs_.at(row)).filename().string(); }

void ToolWindow::job_finished(int row, const engine::JobOutcome& outcome, double seconds) {
  std::string reason = batch::outcome_reason(outcome);
  if (const std::string detail = batch::outcome_detail(outcome); !detail.empty()) reason += " (" + detail + ")";
  std::lock_guard lock(mutex_);
  std::printf("output=%s result=%d seconds=%.3f frames=%d outcome=%s reason=\"%s\" input=%s\n",
              outcome.output_path.c_str(), outcome.code, seconds, outcome.frames, batch::outcome_word(outcome),
              reason.c_str(), inputs_.at(row).c_str());
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

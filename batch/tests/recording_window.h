// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A batch window over plain values for the batch tests: rows given by the
// test, every write recorded under a lock (the monitor writes from its own
// thread).

#include <mutex>
#include <string>
#include <vector>

#include "batch/batch_window.h"

namespace batch::testing {

struct Row {
  std::string title;
  std::string path;
  int tick = 0;
  std::string done = "0 %";
  std::string tooltip;
};

class RecordingWindow : public BatchWindow {
 public:
  std::vector<Row> rows;
  presets::ConversionSettings settings;

  int bar = 0;
  std::string percent = "0%";
  std::string statistics;
  std::string processing = "Processing: ";
  std::vector<bool> busy_calls;
  std::vector<std::string> processing_history;
  std::vector<int> bar_history;
  std::vector<int> scrolled;
  int settings_reads = 0;
  std::mutex mutex;

  void set_progress_bar(int percent_value) override {
    std::lock_guard lock(mutex);
    bar = percent_value;
    bar_history.push_back(percent_value);
  }
  void set_percent_text(const std::string& text) override {
    std::lock_guard lock(mutex);
    percent = text;
  }
  void set_statistics_text(const std::string& text) override {
    std::lock_guard lock(mutex);
    statistics = text;
  }
  void set_done_text(int row, const std::string& text) override {
    std::lock_guard lock(mutex);
    if (row >= 0 && row < static_cast<int>(rows.size())) rows[row].done = text;
  }
  int row_count() override { return static_cast<int>(rows.size()); }
  int row_tick(int row) override { return rows.at(row).tick; }
  std::string row_title(int row) override { return rows.at(row).title; }
  std::string row_path(int row) override { return rows.at(row).path; }
  void scroll_to_row(int row) override {
    std::lock_guard lock(mutex);
    scrolled.push_back(row);
  }
  void set_processing_text(const std::string& text) override {
    std::lock_guard lock(mutex);
    processing = text;
    processing_history.push_back(text);
  }
  void set_busy(bool value) override {
    std::lock_guard lock(mutex);
    busy_calls.push_back(value);
  }
  void set_row_outcome(int row, const std::string& done_text, const std::string& tooltip) override {
    std::lock_guard lock(mutex);
    rows.at(row).done = done_text;
    rows.at(row).tooltip = tooltip;
  }
  std::string summary;
  void set_summary_text(const std::string& text) override {
    std::lock_guard lock(mutex);
    summary = text;
  }
  presets::ConversionSettings read_settings() override {
    std::lock_guard lock(mutex);
    ++settings_reads;
    return settings;
  }
  int jobs = 1;  // "Files at once"
  int files_at_once() override { return jobs; }
};

}  // namespace batch::testing

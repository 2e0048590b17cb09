// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A batch window over plain values for the batch tests: rows given by the
// test (a row's identity is its index), every write recorded. The batch
// makes every call from the thread that runs it.

#include <string>
#include <vector>

#include "batch/batch_window.h"

namespace batch::testing {

struct Row {
  std::string title;
  std::string path;
  int tick = 0;  // 0 ticked
  std::string done = "0 %";
  std::string tooltip;
};

class RecordingWindow : public BatchWindow {
 public:
  std::vector<Row> rows;
  presets::ConversionSettings settings;
  int jobs = 1;  // "Files at once"

  int bar = 0;
  std::string percent = "0%";
  std::string statistics;
  std::string processing = "Processing: ";
  std::string summary;
  std::vector<bool> busy_calls;
  std::vector<std::string> processing_history;
  std::vector<int> bar_history;
  std::vector<RowId> scrolled;
  int settings_reads = 0;

  std::vector<RowId> begin_batch() override {
    std::vector<RowId> ticked;
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].tick == 0) ticked.push_back(i);
    if (!ticked.empty()) busy_calls.push_back(true);
    return ticked;
  }
  void end_batch() override { busy_calls.push_back(false); }
  std::optional<SourceRow> source_row(RowId row) override {
    return SourceRow{rows.at(row).title, rows.at(row).path, {}};
  }
  void scroll_to_row(RowId row) override { scrolled.push_back(row); }
  presets::ConversionSettings read_settings() override {
    ++settings_reads;
    return settings;
  }
  int files_at_once() override { return jobs; }
  void set_processing_text(const std::string& text) override {
    processing = text;
    processing_history.push_back(text);
  }
  void set_percent_text(const std::string& text) override { percent = text; }
  void set_progress_bar(int value) override {
    bar = value;
    bar_history.push_back(value);
  }
  void set_statistics_text(const std::string& text) override { statistics = text; }
  void set_done_text(RowId row, const std::string& text) override { rows.at(row).done = text; }
  void set_row_outcome(RowId row, const std::string& done_text, const std::string& tooltip) override {
    rows.at(row).done = done_text;
    rows.at(row).tooltip = tooltip;
  }
  void set_summary_text(const std::string& text) override { summary = text; }
};

}  // namespace batch::testing

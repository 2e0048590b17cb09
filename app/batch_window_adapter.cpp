// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/batch_window_adapter.h"

#include <QLabel>
#include <QProgressBar>

#include "app/file_list.h"
#include "app/ids.h"
#include "app/notification.h"
#include "app/option_controls.h"
#include "app/ui_call.h"
#include "app/when_done.h"
#include "app/window_work.h"
#include "presets/option_tables.h"
#include "probe/probe.h"

namespace app {

template <class F>
void BatchWindowAdapter::with_window(F&& f) {
  run_on_ui([&] {
    if (MainWindow* w = window_.data()) f(*w);
  });
}

template <class F>
void BatchWindowAdapter::with_row(batch::RowId row, F&& f) {
  with_window([&](MainWindow& w) {
    if (const int index = file_list::row_of(w, row); index >= 0) f(w, index);
  });
}

void BatchWindowAdapter::set_label(int id, const std::string& text) {
  with_window([&](MainWindow& w) {
    if (auto* label = w.control_as<QLabel>(id)) label->setText(QString::fromStdString(text));
  });
}

std::vector<batch::RowId> BatchWindowAdapter::begin_batch() {
  std::vector<batch::RowId> rows;
  with_window([&](MainWindow& w) {
    rows = file_list::ticked_rows(w);
    if (QLabel* part = w.status_part(1)) part->clear();
    if (rows.empty()) return;
    w.set_busy(true);
    w.when_done().batch_started();
    // Each batch starts clean: no row shows what an earlier batch did.
    for (batch::RowId id : rows) {
      const int index = file_list::row_of(w, id);
      file_list::set_row_outcome(w, index, "Waiting", "");
      file_list::set_row_output(w, index, "");
    }
  });
  return rows;
}

// The chosen action follows a batch that ran through; after a Cancel the
// user is there and wants nothing more.
void BatchWindowAdapter::end_batch() {
  with_window([&](MainWindow& w) {
    w.set_busy(false);
    w.when_done().batch_ended(!w.work().batch().cancelled());
  });
}

std::optional<batch::SourceRow> BatchWindowAdapter::source_row(batch::RowId row) {
  std::optional<batch::SourceRow> source;
  with_row(row, [&](MainWindow& w, int index) {
    source.emplace();
    source->path = file_list::row_text(w, index, file_list::kPath);
    source->further_parts = file_list::row_further_parts(w, index);
    // A joined row is named, and its output too, after its first part.
    source->title = source->further_parts.empty() ? file_list::row_text(w, index, file_list::kTitle)
                                                  : probe::title_of(source->path);
  });
  return source;
}

void BatchWindowAdapter::row_started(batch::RowId row, const std::string& output) {
  with_row(row, [&](MainWindow& w, int index) { file_list::set_row_running(w, index, output); });
}

void BatchWindowAdapter::scroll_to_row(batch::RowId row) {
  with_row(row, [&](MainWindow& w, int index) { file_list::scroll_to_row(w, index); });
}

presets::ConversionSettings BatchWindowAdapter::read_settings() {
  // Should the window vanish between the tick and this read, the row still
  // converts with the lists' defaults rather than with empty choices.
  presets::ControlTexts texts;
  texts.format = presets::format_list().entries[presets::format_list().default_position];
  texts.size = presets::size_list().entries[presets::size_list().default_position];
  texts.aspect = presets::aspect_list().entries[presets::aspect_list().default_position];
  texts.fps = presets::fps_list().entries[presets::fps_list().default_position];
  texts.audio_bitrate = presets::audio_bitrate_list().entries[presets::audio_bitrate_list().default_position];
  texts.video_bitrate = presets::kDefaultVideoBitrate;
  with_window([&](MainWindow& w) { texts = read_control_texts(w); });
  return presets::parse_conversion_settings(texts);
}

int BatchWindowAdapter::files_at_once() {
  int choice = 1;
  with_window([&](MainWindow& w) { choice = files_at_once_choice(w); });
  return choice;
}

void BatchWindowAdapter::set_processing_text(const std::string& text) { set_label(kIdProcessingText, text); }
void BatchWindowAdapter::set_percent_text(const std::string& text) { set_label(kIdPercentText, text); }
// Between files the line is empty, time left included.
void BatchWindowAdapter::set_statistics_text(const std::string& text) {
  set_label(kIdStatisticsText, text.empty() || time_left_.empty() ? text : text + ", " + time_left_);
}

void BatchWindowAdapter::set_progress_bar(int percent) {
  with_window([&](MainWindow& w) {
    if (auto* bar = w.control_as<QProgressBar>(kIdProgressBar)) bar->setValue(percent);
  });
}

void BatchWindowAdapter::set_done_text(batch::RowId row, const std::string& text) {
  with_row(row, [&](MainWindow& w, int index) { file_list::set_row_text(w, index, file_list::kDone, text); });
}

void BatchWindowAdapter::set_row_outcome(batch::RowId row, const std::string& done_text, const std::string& tooltip) {
  with_row(row, [&](MainWindow& w, int index) { file_list::set_row_outcome(w, index, done_text, tooltip); });
}

// Back to the text of a row that has not been converted.
void BatchWindowAdapter::row_not_started(batch::RowId row) {
  with_row(row, [&](MainWindow& w, int index) { file_list::set_row_outcome(w, index, "0 %", ""); });
}

void BatchWindowAdapter::set_summary_text(const std::string& text) {
  with_window([&](MainWindow& w) {
    if (QLabel* part = w.status_part(1)) part->setText(QString::fromStdString(text));
    // Someone who went elsewhere during a long batch hears that it is done.
    if (!w.isActiveWindow()) notify_desktop(text);
  });
}

// "Play" and "Open containing folder" need a file that is there: a
// converted one, or a cancelled one with a part written.
void BatchWindowAdapter::job_finished(batch::RowId row, const engine::JobOutcome& outcome, double) {
  const bool playable =
      outcome.code == engine::kJobRan || (outcome.code == engine::kJobCancelled && outcome.bytes_written > 0);
  const std::string output = playable ? outcome.output_path : std::string();
  with_row(row, [&](MainWindow& w, int index) { file_list::set_row_output(w, index, output); });
}

batch::JobDisplay BatchWindowAdapter::job_display() {
  batch::JobDisplay display;
  with_window([&](MainWindow& w) { display = w.job_display(); });
  return display;
}

}  // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/batch_window_adapter.h"

#include <QLabel>
#include <QProgressBar>

#include "app/file_list.h"
#include "app/notification.h"
#include "app/ids.h"
#include "app/option_controls.h"
#include "app/ui_call.h"
#include "presets/option_tables.h"
#include "probe/probe.h"

namespace app {

template <class F>
void BatchWindowAdapter::with_window(F&& f) {
  run_on_ui([&] {
    if (MainWindow* w = window_.data()) f(*w);
  });
}

void BatchWindowAdapter::set_label(int id, const std::string& text) {
  with_window([&](MainWindow& w) {
    if (auto* label = w.control_as<QLabel>(id)) label->setText(QString::fromStdString(text));
  });
}

void BatchWindowAdapter::set_progress_bar(int percent) {
  with_window([&](MainWindow& w) {
    if (auto* bar = w.control_as<QProgressBar>(kIdProgressBar)) bar->setValue(percent);
  });
}

void BatchWindowAdapter::set_percent_text(const std::string& text) { set_label(kIdPercentText, text); }
void BatchWindowAdapter::set_statistics_text(const std::string& text) { set_label(kIdStatisticsText, text); }
void BatchWindowAdapter::set_processing_text(const std::string& text) { set_label(kIdProcessingText, text); }

void BatchWindowAdapter::set_done_text(int row, const std::string& text) {
  with_window([&](MainWindow& w) { file_list::set_row_text(w, row, file_list::kDone, text); });
}

void BatchWindowAdapter::set_row_outcome(int row, const std::string& done_text, const std::string& tooltip) {
  with_window([&](MainWindow& w) { file_list::set_row_outcome(w, row, done_text, tooltip); });
}

void BatchWindowAdapter::set_summary_text(const std::string& text) {
  with_window([&](MainWindow& w) {
    if (QLabel* part = w.status_part(1)) part->setText(QString::fromStdString(text));
    // Someone who went elsewhere during a long batch hears that it is done.
    if (!w.isActiveWindow()) notify_desktop(text);
  });
}

int BatchWindowAdapter::row_count() {
  int count = 0;
  with_window([&](MainWindow& w) { count = file_list::row_count(w); });
  return count;
}

int BatchWindowAdapter::row_tick(int row) {
  int tick = 1;
  with_window([&](MainWindow& w) { tick = file_list::row_tick(w, row); });
  return tick;
}

std::string BatchWindowAdapter::row_title(int row) {
  std::string text;
  // A joined row is named, and its output too, after its first part.
  with_window([&](MainWindow& w) {
    text = file_list::row_further_parts(w, row).empty() ? file_list::row_text(w, row, file_list::kTitle)
                                                         : probe::title_of(file_list::row_text(w, row, file_list::kPath));
  });
  return text;
}

std::vector<std::string> BatchWindowAdapter::row_further_parts(int row) {
  std::vector<std::string> parts;
  with_window([&](MainWindow& w) { parts = file_list::row_further_parts(w, row); });
  return parts;
}

std::string BatchWindowAdapter::row_path(int row) {
  std::string text;
  with_window([&](MainWindow& w) { text = file_list::row_text(w, row, file_list::kPath); });
  return text;
}

void BatchWindowAdapter::scroll_to_row(int row) {
  with_window([&](MainWindow& w) { file_list::scroll_to_row(w, row); });
}

void BatchWindowAdapter::set_busy(bool busy) {
  with_window([&](MainWindow& w) { w.set_busy(busy); });
}

int BatchWindowAdapter::files_at_once() {
  int choice = 1;
  with_window([&](MainWindow& w) { choice = files_at_once_choice(w); });
  return choice;
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

}  // namespace app

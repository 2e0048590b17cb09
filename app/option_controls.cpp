// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/option_controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>

#include "app/ids.h"
#include "app/main_window.h"
#include "app/ui_call.h"
#include "batch/files_at_once.h"
#include "batch/format_table.h"
#include "presets/conversion_settings.h"
#include "presets/option_tables.h"

namespace app {

namespace {

void fill(MainWindow& window, int id, const presets::OptionList& list) {
  auto* box = window.control_as<QComboBox>(id);
  if (!box) return;
  const QSignalBlocker quiet(box);
  box->clear();
  for (const char* entry : list.entries) box->addItem(QString::fromUtf8(entry));
  box->setCurrentIndex(list.default_position);
}

void select_text(MainWindow& window, int id, const presets::OptionList& list, const char* text) {
  auto* box = window.control_as<QComboBox>(id);
  const int position = presets::position_of(list, text);
  if (!box || position < 0) return;
  const QSignalBlocker quiet(box);
  box->setCurrentIndex(position);
}

std::string combo_text(MainWindow& window, int id) {
  auto* box = window.control_as<QComboBox>(id);
  return box && box->currentIndex() >= 0 ? box->currentText().toStdString() : std::string();
}

std::string field_text(MainWindow& window, int id) {
  auto* field = window.control_as<QLineEdit>(id);
  return field ? field->text().toStdString() : std::string();
}

bool checked(MainWindow& window, int id) {
  auto* button = window.control_as<QAbstractButton>(id);
  return button && button->isChecked();
}

}  // namespace

void fill_lists(MainWindow& window) {
  fill(window, kIdFormatList, presets::format_list());
  // A new format greys or frees the other choices; restoring and presets
  // select without signals and call update_option_states themselves.
  if (auto* formats = window.control_as<QComboBox>(kIdFormatList)) {
    QObject::connect(formats, &QComboBox::currentIndexChanged, &window,
                     [&window] { update_option_states(window); });
  }
  fill(window, kIdSizeList, presets::size_list());
  fill(window, kIdFpsList, presets::fps_list());
  fill(window, kIdAudioBitrateList, presets::audio_bitrate_list());
  fill(window, kIdAspectList, presets::aspect_list());
  fill(window, kIdPresetList, presets::preset_list());
  if (auto* box = window.control_as<QComboBox>(kIdFilesAtOnceList)) {
    const QSignalBlocker quiet(box);
    box->clear();
    for (int count = 1; count <= batch::core_count(); ++count) box->addItem(QString::number(count));
    box->addItem(QString::fromLatin1(kAutoFilesAtOnce));
    box->setCurrentIndex(box->count() - 1);
  }
}

int files_at_once_choice(MainWindow& window) {
  const std::string text = combo_text(window, kIdFilesAtOnceList);
  return text == kAutoFilesAtOnce ? 0 : std::max(1, static_cast<int>(presets::read_leading_integer(text)));
}

void apply_preset(MainWindow& window, int position) {
  const auto table = presets::preset_table();
  if (position < 0 || position >= static_cast<int>(table.size())) return;
  const presets::Preset& p = table[position];
  select_text(window, kIdFormatList, presets::format_list(), p.format);
  select_text(window, kIdSizeList, presets::size_list(), p.size);
  select_text(window, kIdAspectList, presets::aspect_list(), p.aspect);
  select_text(window, kIdFpsList, presets::fps_list(), p.fps);
  // An empty text leaves the field as it is, like a list (a copy's rate).
  if (auto* field = window.control_as<QLineEdit>(kIdVideoBitrate); field && *p.video_bitrate) {
    const QSignalBlocker quiet(field);
    field->setText(QString::fromUtf8(p.video_bitrate));
  }
  select_text(window, kIdAudioBitrateList, presets::audio_bitrate_list(), p.audio_bitrate);
  update_option_states(window);
}

void update_option_states(MainWindow& window) {
  const std::string format = combo_text(window, kIdFormatList);
  const batch::FormatRow* row = batch::format_row(QString::fromStdString(format).toLower().toStdString());
  const engine::StreamCopy copy = row ? row->copy : engine::StreamCopy::none;
  for (int id : {kIdSizeList, kIdAspectList, kIdFpsList, kIdVideoBitrate})
    if (QWidget* control = window.control(id)) control->setEnabled(copy == engine::StreamCopy::none);
  if (QWidget* audio = window.control(kIdAudioBitrateList))
    audio->setEnabled(copy != engine::StreamCopy::every_stream);
}

void select_preset_entry(MainWindow& window, int position) {
  auto* box = window.control_as<QComboBox>(kIdPresetList);
  if (!box || position < 0 || position >= box->count()) return;
  const QSignalBlocker quiet(box);
  box->setCurrentIndex(position);
}

presets::ControlTexts read_control_texts(MainWindow& window) {
  presets::ControlTexts t;
  t.format = combo_text(window, kIdFormatList);
  t.size = combo_text(window, kIdSizeList);
  t.aspect = combo_text(window, kIdAspectList);
  t.fps = combo_text(window, kIdFpsList);
  t.audio_bitrate = combo_text(window, kIdAudioBitrateList);
  t.video_bitrate = field_text(window, kIdVideoBitrate);
  t.save_beside_source = checked(window, kIdSaveBesideSource);
  t.output_folder = field_text(window, kIdOutputFolder);
  t.preview = checked(window, kIdPreviewBox);
  t.deinterlace = checked(window, kIdDeinterlaceBox);
  t.keep_recording_date = checked(window, kIdKeepDateBox);
  return t;
}

presets::ConversionSettings read_conversion_settings(MainWindow& window) {
  presets::ControlTexts texts;
  run_on_ui([&] { texts = read_control_texts(window); });
  return presets::parse_conversion_settings(texts);
}

}  // namespace app

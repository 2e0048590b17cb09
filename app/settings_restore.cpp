// SPDX-License-Identifier: GPL-3.0-or-later
// The user's choices between runs: restored while the window opens, the
// output folder written when picked (window_commands.cpp), everything else
// (the window's size too, window_size.cpp) saved when the window closes.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStandardPaths>

#include <filesystem>
#include <string_view>
#include <system_error>

#include "app/commands.h"
#include "app/ids.h"
#include "app/main_window.h"
#include "app/option_controls.h"
#include "app/settings_file.h"
#include "app/when_done.h"
#include "app/window_work.h"
#include "presets/option_tables.h"

namespace app {
namespace {

constexpr const char* kSection = "output";
// Values written from the controls are cut to this many characters.
constexpr int kMaxSavedLength = 19;

// The boxes for camcorder footage and their keys in "general"; "1" on, "0" off.
struct BoxSetting {
  int id;
  const char* key;
};
constexpr BoxSetting kCamcorderBoxes[] = {
    {kIdDeinterlaceBox, "deinterlace"}, {kIdKeepDateBox, "keepdate"}, {kIdJoinBox, "joinclips"}};

struct ListSetting {
  std::string_view key;
  int control;
  const presets::OptionList& (*list)();
};

constexpr ListSetting kListSettings[] = {
    {"format", kIdFormatList, &presets::format_list},
    {"size", kIdSizeList, &presets::size_list},
    {"fps", kIdFpsList, &presets::fps_list},
    {"audiobitrate", kIdAudioBitrateList, &presets::audio_bitrate_list},
    {"aspect", kIdAspectList, &presets::aspect_list},
    {"preset", kIdPresetList, &presets::preset_list},
};

const ListSetting& list_setting(std::string_view key) {
  for (const ListSetting& s : kListSettings)
    if (s.key == key) return s;
  return kListSettings[0];  // not reached: every caller names a key above
}

bool reads_nonzero(const std::string& value) { return setting_as_int(value) != 0; }

// Selects the stored entry (or the list's default) without raising the
// list's change handling: restoring a preset name must not apply it.
void restore_list(MainWindow& window, std::string_view key) {
  const ListSetting& s = list_setting(key);
  auto* list = window.control_as<QComboBox>(s.control);
  const std::string stored = read_setting(kSection, s.key);
  const QSignalBlocker blocker(list);
  list->setCurrentIndex(presets::find_entry(s.list(), stored));
}

std::string cut(const QString& text) { return text.left(kMaxSavedLength).toStdString(); }

void save_value(std::string_view key, const std::string& value) { write_setting(kSection, key, value); }

void save_list(MainWindow& window, std::string_view key) {
  save_value(key, cut(window.control_as<QComboBox>(list_setting(key).control)->currentText()));
}

std::string videos_folder() {
  return QStandardPaths::writableLocation(QStandardPaths::MoviesLocation).toStdString();
}

}  // namespace

void restore_output_folder(MainWindow& window) {
  std::string folder = read_setting(kSection, "path");
  std::error_code ec;
  if (folder.empty() || !std::filesystem::exists(folder, ec)) folder = videos_folder();
  window.control_as<QLineEdit>(kIdOutputFolder)->setText(QString::fromStdString(folder));

  const bool save_here = reads_nonzero(read_setting(kSection, "savemode"));
  window.control_as<QRadioButton>(save_here ? kIdSaveHere : kIdSaveBesideSource)->setChecked(true);
  window.control(kIdBrowseFolder)->setEnabled(save_here);
}

// Whether the settings file holds any of the output choices.
static bool any_choice_stored() {
  for (std::string_view key : {"format", "size", "fps", "audiobitrate", "videobitrate", "aspect", "preset"})
    if (!read_setting(kSection, key).empty()) return true;
  return false;
}

void restore_choices(MainWindow& window) {
  // Before anything was saved the controls show the preset the box names,
  // so that the first conversion is what the box says.
  const bool first_time = !any_choice_stored();
  for (std::string_view key : {"format", "size", "fps", "audiobitrate"}) restore_list(window, key);

  const std::string bitrate = read_setting(kSection, "videobitrate");
  window.control_as<QLineEdit>(kIdVideoBitrate)
      ->setText(reads_nonzero(bitrate) ? QString::fromStdString(bitrate)
                                       : QString::fromLatin1(presets::kDefaultVideoBitrate));

  restore_list(window, "aspect");

  const bool preview = reads_nonzero(read_setting(kSection, "preview"));
  window.control_as<QCheckBox>(kIdPreviewBox)->setChecked(preview);
  window.work().batch().set_preview(preview);

  restore_list(window, "preset");
  if (first_time) apply_preset(window, window.control_as<QComboBox>(kIdPresetList)->currentIndex());
  update_option_states(window);

  // "Files at once" as stored; the default ("Auto") for anything else.
  auto* jobs = window.control_as<QComboBox>(kIdFilesAtOnceList);
  const int stored = jobs->findText(QString::fromStdString(read_setting("general", "jobs")));
  if (stored >= 0) jobs->setCurrentIndex(stored);

  // The camcorder boxes are on unless the user turned them off.
  for (const auto& [id, key] : kCamcorderBoxes)
    window.control_as<QCheckBox>(id)->setChecked(read_setting("general", key) != "0");

  // "When done" as stored, unless logind refuses that entry; a number out of
  // range leaves "Do nothing".
  const long long when_done = setting_as_int(read_setting("general", "whendone"));
  if (when_done >= WhenDone::kNothing && when_done <= WhenDone::kPowerOff)
    window.when_done().choose(static_cast<int>(when_done));
}

void save_choices(MainWindow& window) {
  save_list(window, "preset");
  save_list(window, "fps");
  save_value("videobitrate", cut(window.control_as<QLineEdit>(kIdVideoBitrate)->text()));
  save_list(window, "audiobitrate");
  save_list(window, "aspect");
  save_list(window, "size");
  save_list(window, "format");
  save_value("preview", window.control_as<QCheckBox>(kIdPreviewBox)->isChecked() ? "1" : "0");
  save_value("savemode", window.control_as<QRadioButton>(kIdSaveBesideSource)->isChecked() ? "0" : "1");
  write_setting("general", "jobs", cut(window.control_as<QComboBox>(kIdFilesAtOnceList)->currentText()));
  for (const auto& [id, key] : kCamcorderBoxes)
    write_setting("general", key, window.control_as<QCheckBox>(id)->isChecked() ? "1" : "0");
  write_setting("general", "whendone", std::to_string(window.when_done().choice()));
  save_window_size(window);
}

}  // namespace app

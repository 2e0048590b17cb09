// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The option lists, the video bit rate field and the preset list of the main
// window: filling them from the option tables, applying a preset, and reading
// the user's choices. UI thread only, except read_conversion_settings.

#include "presets/conversion_settings.h"

namespace app {

class MainWindow;

// Fills the lists in the opening order (format, size, frame rate, audio bit
// rate, aspect, preset) and selects each list's default, without raising the
// lists' change handling.
void fill_lists(MainWindow& window);
// Selects the format, size, aspect and frame-rate entries, sets the video bit
// rate text and selects the audio bit-rate entry of a PresetTable row, all
// without raising change handling. Out-of-range positions do nothing.
void apply_preset(MainWindow& window, int position);
// Selects a list entry by position without raising change handling.
void select_preset_entry(MainWindow& window, int position);
// Greys the choices the selected format does not use: a copy keeps the
// source's picture (size, aspect, rate, video bit rate), MKV copy its sound
// too. Called whenever the format may have changed.
void update_option_states(MainWindow& window);

// The "Files at once" entry that stands for the machine's own count.
constexpr const char* kAutoFilesAtOnce = "Auto";
// "Files at once" as a count, 0 for "Auto" (UI thread).
int files_at_once_choice(MainWindow& window);

// The controls' texts as shown (UI thread).
presets::ControlTexts read_control_texts(MainWindow& window);
// The parsed choices; callable from any thread (reads on the UI thread).
presets::ConversionSettings read_conversion_settings(MainWindow& window);

}  // namespace app

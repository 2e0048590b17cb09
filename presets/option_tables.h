// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fixed option lists of the main window, the preset table, and the rules
// that read them. Constant data compiled into the program.

#include <span>
#include <string>
#include <string_view>

namespace presets {

struct OptionList {
  std::span<const char* const> entries;  // displayed order; positions count from 0
  int default_position;                  // selected when nothing stored matches
};

// The size and frame-rate lists' last entry: keep the source's.
constexpr const char* kSourceEntry = "Source";

const OptionList& format_list();         // control 1013, default "MPG2"
const OptionList& size_list();           // control 1015, 30 entries, default "1280x720"
const OptionList& aspect_list();         // control 1017, default "16/9"
const OptionList& fps_list();            // control 1021, default "24"
const OptionList& audio_bitrate_list();  // control 1018, default "224"
const OptionList& preset_list();         // control 1028, display names, default "MPEG2 HD"
constexpr const char* kDefaultVideoBitrate = "9000";

// Case-insensitive prefix match of `stored` against the entries, from
// position 1 to the end and then position 0; the list's default when the
// text is empty or nothing matches.
int find_entry(const OptionList& list, std::string_view stored);
// First position whose text equals `text` exactly, or -1.
int position_of(const OptionList& list, std::string_view text);

struct Preset {
  const char* display_name;   // entry of the preset list
  const char* menu_caption;   // Presets menu item
  int menu_id;                // Presets menu command id
  const char* format;         // entries of the lists, by text; "" leaves a list as it is
  const char* size;
  const char* aspect;
  const char* fps;
  const char* video_bitrate;  // text of the video bit rate field
  const char* audio_bitrate;
};

// The thirteen designed presets in the preset list's order, then the five
// for modern players and for copies.
std::span<const Preset> preset_table();
// PresetTable position for a Presets menu command id (32777..32789,
// 32791..32795), or -1.
int preset_for_command(int command_id);

}  // namespace presets

// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/option_tables.h"

#include <array>
#include <cctype>

namespace presets {

namespace {

// The format, frame-rate and preset lists are in case-insensitive alphabetical
// order; the size list is not sorted and keeps its two repeated entries
// ("704x480" at 17 and 18, "720x576" at 22 and 26), both shown. Entries
// added later come after those, so that every stored choice and position
// keeps its meaning: the four modern formats, "Source" for size and rate,
// and five presets.
constexpr std::array<const char*, 11> kFormats = {"Avi",       "FLV",      "H.263",    "MP4",
                                                  "MPG1",      "MPG2",     "WMV",      "MP4 H.264",
                                                  "MP4 HEVC",  "MP4 copy", "MKV copy"};
constexpr std::array<const char*, 30> kSizes = {
    "128x96",  "176x144", "240x176", "320x176", "320x240", "352x240", "352x288", "368x208",
    "384x288", "416x176", "480x272", "480x320", "560x304", "608x336", "624x352", "640x368",
    "640x480", "704x480", "704x480", "704x576", "720x406", "720x480", "720x576", "768x576",
    "960x528", "960x720", "720x576", "1280x720", "1920x1080", kSourceEntry};
constexpr std::array<const char*, 2> kAspects = {"4/3", "16/9"};
constexpr std::array<const char*, 10> kFrameRates = {"12.5", "15", "23.976", "24", "25",
                                                     "29.97", "30", "50", "60", kSourceEntry};
constexpr std::array<const char*, 14> kAudioBitrates = {"12.2", "32", "48",  "56",  "64",  "80",  "96",
                                                        "112",  "128", "160", "192", "224", "256", "448"};

// An empty text ("–" in the README's table) leaves that choice as it is: a
// copy has no use for it.
constexpr std::array<Preset, 18> kPresets = {{
    {"3gp format", "3gp Format", 32788, "H.263", "176x144", "4/3", "12.5", "144", "12.2"},
    {"Avi (High quality)", "Avi - High Quality", 32785, "Avi", "560x304", "16/9", "25", "1200", "160"},
    {"Avi (Low quality)", "Avi - Low Quality", 32783, "Avi", "352x288", "16/9", "25", "500", "96"},
    {"Avi (Medium quality)", "Avi - Medium Quality", 32784, "Avi", "480x272", "16/9", "25", "765", "128"},
    {"DVD NTSC", "DVD NTSC", 32787, "MPG2", "720x480", "16/9", "29.97", "6000", "256"},
    {"DVD Pal", "DVD PAL", 32786, "MPG2", "720x576", "16/9", "25", "6000", "256"},
    {"FLV (High quality)", "FLV - High Quality", 32780, "FLV", "560x304", "16/9", "25", "750", "128"},
    {"FLV (Low quality)", "FLV - Low Quality", 32779, "FLV", "320x240", "4/3", "25", "384", "64"},
    {"FLV (Medium quality)", "FLV - Medium Quality", 32781, "FLV", "352x288", "16/9", "25", "600", "96"},
    {"iPhone format", "iPhone Format", 32789, "MP4", "640x480", "4/3", "25", "1000", "160"},
    {"iPod format", "iPod Format", 32782, "MP4", "320x240", "4/3", "25", "765", "128"},
    {"MPEG2 HD", "MPEG2 HD", 32777, "MPG2", "1280x720", "16/9", "25", "9000", "256"},
    {"WMV HD", "WMV HD", 32778, "WMV", "1280x720", "16/9", "25", "9000", "192"},
    {"H.264 1080p (any device)", "H.264 1080p (any device)", 32791, "MP4 H.264", "1920x1080", "16/9", kSourceEntry,
     "16000", "192"},
    {"H.264 720p (phones, web)", "H.264 720p (phones, web)", 32792, "MP4 H.264", "1280x720", "16/9", kSourceEntry,
     "8000", "160"},
    {"HEVC 1080p (archive)", "HEVC 1080p (archive)", 32793, "MP4 HEVC", "1920x1080", "16/9", kSourceEntry, "12000",
     "160"},
    {"Original quality MP4 (no re-encode)", "Original quality MP4 (no re-encode)", 32794, "MP4 copy", "", "", "", "",
     "192"},
    {"Original quality MKV (every track)", "Original quality MKV (every track)", 32795, "MKV copy", "", "", "", "",
     ""},
}};

constexpr std::array<const char*, kPresets.size()> preset_names() {
  std::array<const char*, kPresets.size()> names{};
  for (std::size_t i = 0; i < kPresets.size(); ++i) names[i] = kPresets[i].display_name;
  return names;
}
constexpr auto kPresetNames = preset_names();

const OptionList kFormatList{kFormats, 5};
const OptionList kSizeList{kSizes, 27};
const OptionList kAspectList{kAspects, 1};
const OptionList kFpsList{kFrameRates, 3};
const OptionList kAudioBitrateList{kAudioBitrates, 11};
const OptionList kPresetList{kPresetNames, 11};

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool starts_with_ignoring_case(std::string_view entry, std::string_view prefix) {
  if (prefix.size() > entry.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (lower(entry[i]) != lower(prefix[i])) return false;
  return true;
}

}  // namespace

const OptionList& format_list() { return kFormatList; }
const OptionList& size_list() { return kSizeList; }
const OptionList& aspect_list() { return kAspectList; }
const OptionList& fps_list() { return kFpsList; }
const OptionList& audio_bitrate_list() { return kAudioBitrateList; }
const OptionList& preset_list() { return kPresetList; }

int find_entry(const OptionList& list, std::string_view stored) {
  const int count = static_cast<int>(list.entries.size());
  if (stored.empty() || count == 0) return list.default_position;
  // Position 0 is tried last, after the rest of the list.
  for (int i = 1; i <= count; ++i) {
    const int position = i % count;
    if (starts_with_ignoring_case(list.entries[position], stored)) return position;
  }
  return list.default_position;
}

int position_of(const OptionList& list, std::string_view text) {
  for (std::size_t i = 0; i < list.entries.size(); ++i)
    if (text == list.entries[i]) return static_cast<int>(i);
  return -1;
}

std::span<const Preset> preset_table() { return kPresets; }

int preset_for_command(int command_id) {
  for (std::size_t i = 0; i < kPresets.size(); ++i)
    if (kPresets[i].menu_id == command_id) return static_cast<int>(i);
  return -1;
}

}  // namespace presets

// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/option_tables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace presets {
namespace {

// The entry a stored text selects, as the list then shows it.
std::string shown(const OptionList& list, std::string_view stored) { return list.entries[find_entry(list, stored)]; }

TEST(FindEntry, PrefixIgnoresCaseAndTriesTheFirstEntryLast) {
  // "12" begins "12.2" (the first entry) and "128": the later one wins.
  EXPECT_EQ(shown(audio_bitrate_list(), "12"), "128");
  EXPECT_EQ(shown(audio_bitrate_list(), "12.2"), "12.2");
  EXPECT_EQ(shown(fps_list(), "1"), "15");  // not "12.5", the first entry
  EXPECT_EQ(shown(format_list(), "mpg"), "MPG1");
  EXPECT_EQ(shown(format_list(), "avi"), "Avi");
  EXPECT_EQ(shown(format_list(), "h.263"), "H.263");
  // A repeated size is selected by its first copy.
  EXPECT_EQ(find_entry(size_list(), "720x576"), position_of(size_list(), "720x576"));
  // Entries added after the designed ones take no stored text from them.
  EXPECT_EQ(shown(format_list(), "MP4"), "MP4");
  EXPECT_EQ(shown(format_list(), "MP4 copy"), "MP4 copy");
  EXPECT_EQ(shown(size_list(), "Source"), "Source");
  EXPECT_EQ(shown(fps_list(), "Source"), "Source");
}

TEST(FindEntry, EmptyOrUnknownTextGivesTheDefault) {
  EXPECT_EQ(shown(format_list(), ""), "MPG2");
  EXPECT_EQ(shown(format_list(), "mov"), "MPG2");
  EXPECT_EQ(shown(size_list(), "1280x7200"), "1280x720");  // longer than every entry
  EXPECT_EQ(shown(preset_list(), "Nothing"), "MPEG2 HD");
  EXPECT_EQ(position_of(size_list(), "721x576"), -1);
}

TEST(FindEntry, NineteenCharacterStoredPresetNamesStillMatch) {
  // The settings file keeps 19 characters; both "Medium" names have 20.
  EXPECT_EQ(shown(preset_list(), std::string("FLV (Medium quality)").substr(0, 19)), "FLV (Medium quality)");
  EXPECT_EQ(shown(preset_list(), std::string("Avi (Medium quality)").substr(0, 19)), "Avi (Medium quality)");
}

TEST(PresetTable, EveryPresetsMenuItemAppliesItsOwnPreset) {
  std::set<int> presets;
  for (const Preset& p : preset_table()) {
    const int position = preset_for_command(p.menu_id);
    ASSERT_GE(position, 0) << p.menu_caption;
    EXPECT_STREQ(preset_list().entries[position], p.display_name) << p.menu_caption;
    presets.insert(position);
  }
  EXPECT_EQ(presets.size(), preset_table().size());
  EXPECT_EQ(preset_for_command(32776), -1);  // "Unselect All"
}

class EveryPreset : public ::testing::TestWithParam<int> {};

// An entry a preset names exists in its list; an empty one (a copy's
// picture choices) leaves the list alone.
void expect_entry_or_none(const OptionList& list, const char* text) {
  if (*text) {
    EXPECT_GE(position_of(list, text), 0) << text;
  }
}

TEST_P(EveryPreset, NamesEntriesThatExistInTheLists) {
  const Preset& p = preset_table()[GetParam()];
  EXPECT_STREQ(preset_list().entries[GetParam()], p.display_name);
  EXPECT_GE(position_of(format_list(), p.format), 0) << p.format;
  expect_entry_or_none(size_list(), p.size);
  expect_entry_or_none(aspect_list(), p.aspect);
  expect_entry_or_none(fps_list(), p.fps);
  expect_entry_or_none(audio_bitrate_list(), p.audio_bitrate);
  // A stored display name, whole or cut to the settings file's 19
  // characters, selects this very preset again.
  EXPECT_EQ(shown(preset_list(), p.display_name), p.display_name);
  EXPECT_EQ(shown(preset_list(), std::string(p.display_name).substr(0, 19)), p.display_name);
}

INSTANTIATE_TEST_SUITE_P(Presets, EveryPreset, ::testing::Range(0, static_cast<int>(preset_table().size())));

}  // namespace
}  // namespace presets

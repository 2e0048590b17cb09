// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/option_tables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace presets {
namespace {

TEST(OptionLists, RepeatedSizeEntryIsChosenByItsFirstCopy) {
  EXPECT_EQ(position_of(size_list(), "720x576"), 22);
  EXPECT_EQ(find_entry(size_list(), "720x576"), 22);
  EXPECT_EQ(position_of(size_list(), "721x576"), -1);
}

TEST(FindEntry, PrefixIgnoresCaseAndTriesPositionZeroLast) {
  // "12" is a prefix of "12.2" (position 0) and of "128" (position 8).
  EXPECT_EQ(find_entry(audio_bitrate_list(), "12"), 8);
  EXPECT_EQ(find_entry(audio_bitrate_list(), "12.2"), 0);
  EXPECT_EQ(find_entry(fps_list(), "1"), 1);  // "15" before "12.5"
  EXPECT_EQ(find_entry(format_list(), "mpg"), 4);
  EXPECT_EQ(find_entry(format_list(), "avi"), 0);
  EXPECT_EQ(find_entry(format_list(), "h.263"), 2);
  // Entries added after the designed ones take no stored text from them.
  EXPECT_EQ(find_entry(format_list(), "MP4"), 3);
  EXPECT_EQ(find_entry(format_list(), "MP4 copy"), 9);
  EXPECT_EQ(find_entry(size_list(), "Source"), 29);
  EXPECT_EQ(find_entry(fps_list(), "Source"), 9);
}

TEST(FindEntry, EmptyOrUnknownTextGivesTheDefault) {
  EXPECT_EQ(find_entry(format_list(), ""), 5);
  EXPECT_EQ(find_entry(format_list(), "mov"), 5);
  EXPECT_EQ(find_entry(size_list(), "1280x7200"), 27);  // longer than every entry
  EXPECT_EQ(find_entry(preset_list(), "Nothing"), 11);
}

TEST(FindEntry, NineteenCharacterStoredPresetNamesStillMatch) {
  // The settings file keeps 19 characters; both "Medium" names have 20.
  EXPECT_EQ(find_entry(preset_list(), std::string("FLV (Medium quality)").substr(0, 19)), 8);
  EXPECT_EQ(find_entry(preset_list(), std::string("Avi (Medium quality)").substr(0, 19)), 3);
}

TEST(PresetTable, MenuCommandsMapToTheirRows) {
  EXPECT_EQ(preset_for_command(32780), 6);  // "FLV - High Quality"
  EXPECT_EQ(preset_for_command(32789), 9);  // "iPhone Format"
  EXPECT_EQ(preset_for_command(32777), 11);
  EXPECT_EQ(preset_for_command(32776), -1);
  EXPECT_EQ(preset_for_command(32790), -1);
  std::set<int> rows;
  for (int id = 32777; id <= 32789; ++id) rows.insert(preset_for_command(id));
  EXPECT_EQ(rows.size(), 13u);
  EXPECT_EQ(rows.count(-1), 0u);
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
  EXPECT_EQ(preset_for_command(p.menu_id), GetParam());
  // A stored display name, whole or cut to the settings file's 19
  // characters, selects this very preset again.
  EXPECT_EQ(find_entry(preset_list(), p.display_name), GetParam());
  EXPECT_EQ(find_entry(preset_list(), std::string(p.display_name).substr(0, 19)), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Presets, EveryPreset, ::testing::Range(0, 18));

}  // namespace
}  // namespace presets

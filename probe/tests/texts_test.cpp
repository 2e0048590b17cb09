// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "probe/probe.h"

namespace {

struct EndingCase {
  const char* path;
  bool accepted;
};

class Acceptance : public ::testing::TestWithParam<EndingCase> {};

TEST_P(Acceptance, ByEndingInAnyCase) {
  EXPECT_EQ(probe::accepts_path(GetParam().path), GetParam().accepted) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Endings, Acceptance,
    ::testing::Values(EndingCase{"/clips/00001.MTS", true}, EndingCase{"/clips/00002.m2ts", true},
                      EndingCase{"/clips/movie.mpg", true}, EndingCase{"/clips/CLIP.MTS", true},
                      EndingCase{"/clips/clip.Mpg", true}, EndingCase{"/clips/clipmts", true},
                      EndingCase{"MTS", true}, EndingCase{"/clips/movie.mpeg", false},
                      EndingCase{"/clips/movie.avi", false}, EndingCase{"/clips/a.mts.txt", false},
                      EndingCase{"TS", false}, EndingCase{"", false}));

TEST(Title, IsTheNameAfterTheLastSlashWhateverTheLength) {
  EXPECT_EQ(probe::title_of("/home/u/Videos/00001.MTS"), "00001.MTS");
  EXPECT_EQ(probe::title_of("/00001.MTS"), "00001.MTS");
  EXPECT_EQ(probe::title_of("00001.MTS"), "00001.MTS");
  std::string long_name(300, 'n');
  long_name += ".mts";
  EXPECT_EQ(probe::title_of("/" + std::string(400, 'd') + "/" + long_name), long_name);
}

struct DurationCase {
  int seconds;
  const char* text;
};
class DurationText : public ::testing::TestWithParam<DurationCase> {};
TEST_P(DurationText, MinutesAndSeconds) {
  EXPECT_EQ(probe::duration_text(GetParam().seconds), GetParam().text);
}
INSTANTIATE_TEST_SUITE_P(Cases, DurationText,
                         ::testing::Values(DurationCase{3725, "62:05"}, DurationCase{59, "00:59"},
                                           DurationCase{0, "00:00"}, DurationCase{6000, "100:00"},
                                           DurationCase{-5, "00:00"}));

struct SettingsCase {
  const char* width;
  const char* height;
  const char* bit_rate;
  const char* text;
};
class SettingsText : public ::testing::TestWithParam<SettingsCase> {};
TEST_P(SettingsText, WholeMegabitsTruncatedTwice) {
  const SettingsCase& c = GetParam();
  EXPECT_EQ(probe::settings_text(c.width, c.height, c.bit_rate), c.text);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsText,
    ::testing::Values(SettingsCase{"1920", "1080", "24000000", "1920x1080 (24 MBps)"},
                      SettingsCase{"1920", "1080", "17999999", "1920x1080 (17 MBps)"},
                      SettingsCase{"720", "576", "999999", "720x576 (0 MBps)"},
                      SettingsCase{"720", "576", "9000000", "720x576 (9 MBps)"},
                      SettingsCase{"1440", "1080", "9000000 / 12000000", "1440x1080 (9 MBps)"},
                      SettingsCase{"", "", "", "x (0 MBps)"},
                      SettingsCase{"1920", "1080", "n/a", "1920x1080 (0 MBps)"},
                      // Far beyond 64 bits: saturates instead of overflowing.
                      SettingsCase{"1", "1", "99999999999999999999999999",
                                   "1x1 (9223372036854 MBps)"}));

}  // namespace

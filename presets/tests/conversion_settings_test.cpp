// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/conversion_settings.h"

#include <gtest/gtest.h>

#include <clocale>

namespace presets {
namespace {

ControlTexts defaults() {
  ControlTexts t;
  t.format = "MPG2";
  t.size = "1280x720";
  t.aspect = "16/9";
  t.fps = "24";
  t.video_bitrate = "9000";
  t.audio_bitrate = "224";
  return t;
}

// A bit rate field's text and the bit/s it gives.
struct BitrateCase {
  const char* text;
  int bit_rate;
};
class VideoBitrate : public ::testing::TestWithParam<BitrateCase> {};

TEST_P(VideoBitrate, ReadsKbitsCappedAt19000) {
  ControlTexts t = defaults();
  t.video_bitrate = GetParam().text;
  EXPECT_EQ(parse_conversion_settings(t).video_bitrate, GetParam().bit_rate) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, VideoBitrate,
    ::testing::Values(BitrateCase{"25000", 19000000}, BitrateCase{"19000", 19000000}, BitrateCase{"9000", 9000000},
                      BitrateCase{"0", 0}, BitrateCase{"", 0}, BitrateCase{"abc", 0}, BitrateCase{" 750kb", 750000},
                      BitrateCase{"99999999999999999999999", 19000000},  // only 19 characters are read
                      BitrateCase{"-500", 0}));

class AudioBitrate : public ::testing::TestWithParam<BitrateCase> {};

TEST_P(AudioBitrate, ReadsTheIntegerPartTimes1000) {
  ControlTexts t = defaults();
  t.audio_bitrate = GetParam().text;
  EXPECT_EQ(parse_conversion_settings(t).audio_bitrate, GetParam().bit_rate);
}

INSTANTIATE_TEST_SUITE_P(Texts, AudioBitrate,
                         ::testing::Values(BitrateCase{"12.2", 12000}, BitrateCase{"448", 448000},
                                           BitrateCase{"224", 224000}, BitrateCase{"", 0}));

TEST(ConversionSettings, SizeSplitsAtTheX) {
  ControlTexts t = defaults();
  t.size = "1920x1080";
  auto s = parse_conversion_settings(t);
  EXPECT_EQ(s.width, 1920);
  EXPECT_EQ(s.height, 1080);
  t.size = "704x480";
  s = parse_conversion_settings(t);
  EXPECT_EQ(s.width, 704);
  EXPECT_EQ(s.height, 480);
  t.size = "";  // no selection
  s = parse_conversion_settings(t);
  EXPECT_EQ(s.width, 0);
  EXPECT_EQ(s.height, 0);
}

TEST(ConversionSettings, AspectCodeOneOnlyForExactly4by3) {
  ControlTexts t = defaults();
  t.aspect = "4/3";
  EXPECT_EQ(parse_conversion_settings(t).aspect, 1);
  t.aspect = "16/9";
  EXPECT_EQ(parse_conversion_settings(t).aspect, 2);
  t.aspect = "4/3 ";
  EXPECT_EQ(parse_conversion_settings(t).aspect, 2);
}

TEST(ConversionSettings, FormatIsLowerCased) {
  ControlTexts t = defaults();
  t.format = "H.263";
  EXPECT_EQ(parse_conversion_settings(t).format, "h.263");
  t.format = "MPG2";
  EXPECT_EQ(parse_conversion_settings(t).format, "mpg2");
}

TEST(ConversionSettings, FrameRateReadsDecimalsWhateverTheLocale) {
  // A desktop started with a comma-decimal locale must still read "29.97".
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  ControlTexts t = defaults();
  t.fps = "29.97";
  EXPECT_FLOAT_EQ(parse_conversion_settings(t).fps, 29.97f);
  t.fps = "23.976";
  EXPECT_FLOAT_EQ(parse_conversion_settings(t).fps, 23.976f);
  t.fps = "";
  EXPECT_EQ(parse_conversion_settings(t).fps, 0.0f);
  std::setlocale(LC_NUMERIC, "C");
}

TEST(LeadingNumbers, FollowTheCConversionRules) {
  EXPECT_EQ(read_leading_integer("  +42x"), 42);
  EXPECT_EQ(read_leading_integer("-7"), -7);
  EXPECT_EQ(read_leading_integer("x42"), 0);
  EXPECT_FLOAT_EQ(read_leading_float(" 12.5fps"), 12.5f);
  EXPECT_FLOAT_EQ(read_leading_float(".5"), 0.5f);
  EXPECT_FLOAT_EQ(read_leading_float("-2.5"), -2.5f);
  EXPECT_EQ(read_leading_float("fps"), 0.0f);
}

}  // namespace
}  // namespace presets

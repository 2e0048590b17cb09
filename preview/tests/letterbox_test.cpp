// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "preview/preview.h"

namespace {

struct Case {
  int width, height, sar_num, sar_den, area_w, area_h;
  preview::Rect expected;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.width << "x" << c.height << " sar " << c.sar_num << "/" << c.sar_den << " in "
      << c.area_w << "x" << c.area_h;
}

class Letterbox : public ::testing::TestWithParam<Case> {};

TEST_P(Letterbox, Rectangle) {
  const Case& c = GetParam();
  preview::Rect r =
      preview::letterbox_rect(c.width, c.height, c.sar_num, c.sar_den, c.area_w, c.area_h);
  EXPECT_EQ(r.x, c.expected.x);
  EXPECT_EQ(r.y, c.expected.y);
  EXPECT_EQ(r.w, c.expected.w);
  EXPECT_EQ(r.h, c.expected.h);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Letterbox,
    ::testing::Values(
        // 16:9 in the preview area: too wide, narrowed; 139 loses bit 1.
        Case{1920, 1080, 1, 1, 248, 208, {0, 35, 248, 137}},
        // Anamorphic 1440x1080 displays as 16:9 too.
        Case{1440, 1080, 4, 3, 248, 208, {0, 35, 248, 137}},
        // Unknown, negative or broken sample aspects fall back to width/height.
        Case{1920, 1080, 0, 1, 248, 208, {0, 35, 248, 137}},
        Case{1920, 1080, -4, 3, 248, 208, {0, 35, 248, 137}},
        Case{1920, 1080, 1, 0, 248, 208, {0, 35, 248, 137}},
        // PAL 4:3 (sample aspect 16/15): in single precision 248 / 1.3333334
        // floors to 185, not 186.
        Case{720, 576, 16, 15, 248, 208, {0, 11, 248, 185}},
        // Portrait fits by height and is centred.
        Case{1080, 1920, 1, 1, 248, 208, {65, 0, 117, 208}},
        // Bit 1 cleared, not bit 0: 369 stays, 370 -> 368, 371 -> 369.
        Case{100, 100, 1, 1, 400, 369, {15, 0, 369, 369}},
        Case{100, 100, 1, 1, 400, 370, {16, 0, 368, 370}},
        Case{100, 100, 1, 1, 400, 371, {15, 0, 369, 371}},
        // Absurd sample aspects stay within the area instead of overflowing.
        Case{1920, 1080, 2000000000, 1, 248, 208, {0, 104, 248, 0}},
        Case{16, 16, 1, 2000000000, 248, 208, {124, 0, 0, 208}},
        // Nothing to show for an empty picture or area.
        Case{0, 1080, 1, 1, 248, 208, {0, 0, 0, 0}},
        Case{1920, 1080, 1, 1, 0, 0, {0, 0, 0, 0}}));

}  // namespace

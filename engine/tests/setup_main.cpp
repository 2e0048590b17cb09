// SPDX-License-Identifier: GPL-3.0-or-later
// Test entry of the engine tests (one for all engine test files).
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "engine/signals.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // As every program that converts does at its start.
  engine::set_up_process(false);
  return RUN_ALL_TESTS();
}

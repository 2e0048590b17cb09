// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <langinfo.h>

#include <clocale>
#include <cstring>

int main(int argc, char** argv) {
  // The program runs with a UTF-8 character locale (Qt switches to C.UTF-8
  // when the user's is not); MediaInfo turns file names into bytes with it.
  std::setlocale(LC_ALL, "");
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

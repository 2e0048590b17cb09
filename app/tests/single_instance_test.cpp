// SPDX-License-Identifier: GPL-3.0-or-later
// One window: a later start hands its paths to the running window; of two
// starts at once exactly one keeps a window.

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <thread>

#include <unistd.h>

#include "app/file_list.h"
#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/tests/app_test_env.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;
namespace one = app::single_instance;

class OneWindow : public ::testing::Test {
 protected:
  fs::path dir;
  std::string socket;
  void SetUp() override {
    apptest::fresh_config_home();
    dir = testsupport::temp_dir("one_window");
    socket = (dir / "clipmill.socket").string();
  }
  void TearDown() override { fs::remove_all(dir); }
};

// A second start hands its file over and ends; a socket left by a window
// that is gone is taken over.
TEST_F(OneWindow, ASecondStartHandsItsFilesToTheRunningWindow) {
  const one::Claim stale = one::claim_or_hand(socket, {});
  ASSERT_GE(stale.listen_fd, 0);
  ::close(stale.listen_fd);  // that window ended without removing its socket
  const one::Claim first = one::claim_or_hand(socket, {});
  ASSERT_FALSE(first.handed);
  ASSERT_GE(first.listen_fd, 0);
  app::MainWindow window;
  one::serve(window, first.listen_fd);

  fs::copy_file(testsupport::avchd_clip(1.0), dir / "handed.mts");
  auto second = std::async(std::launch::async,
                           [&] { return one::claim_or_hand(socket, {(dir / "handed.mts").string()}); });
  ASSERT_TRUE(apptest::pump_until([&] { return app::file_list::row_count(window) == 1; }));
  const one::Claim handed = second.get();
  EXPECT_TRUE(handed.handed);
  EXPECT_LT(handed.listen_fd, 0);
  EXPECT_EQ(app::file_list::row_text(window, 0, app::file_list::kPath), (dir / "handed.mts").string());
}

TEST_F(OneWindow, OfTwoStartsAtOnceExactlyOneListens) {
  auto a = std::async(std::launch::async, [&] { return one::claim_or_hand(socket, {"/a"}); });
  auto b = std::async(std::launch::async, [&] { return one::claim_or_hand(socket, {"/b"}); });
  const one::Claim first = a.get(), second = b.get();
  EXPECT_NE(first.handed, second.handed);
  EXPECT_EQ(first.listen_fd >= 0, !first.handed);
  EXPECT_EQ(second.listen_fd >= 0, !second.handed);
  for (const one::Claim& claim : {first, second})
    if (claim.listen_fd >= 0) ::close(claim.listen_fd);
}

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// One window: a later start hands its paths to the running window; of two
// starts at once exactly one keeps a window. The program itself, run twice,
// does the same.

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <thread>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

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

// The program run twice, as a file manager's "Open with" does: the second
// start hands its file to the first window and ends; the first lists it
// (its kept list names it) and, told to end, closes.
TEST_F(OneWindow, ASecondProgramHandsItsFileToTheFirst) {
  const fs::path program = fs::read_symlink("/proc/self/exe").parent_path() / "clipmill";
  ASSERT_TRUE(fs::exists(program)) << "build the clipmill target";
  const fs::path runtime = dir / "run", home = dir / "home";
  fs::create_directories(runtime);
  ::chmod(runtime.c_str(), 0700);
  fs::create_directories(home / "Clipmill");
  apptest::write_file(home / "Clipmill" / "Config.ini", "[general]\nfirstlaunch=1\n");
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  apptest::use_config_home(home);
  fs::copy_file(testsupport::avchd_clip(1.0), dir / "handed.mts");

  pid_t first = 0;
  char* first_argv[] = {const_cast<char*>(program.c_str()), nullptr};
  ASSERT_EQ(::posix_spawn(&first, program.c_str(), nullptr, nullptr, first_argv, environ), 0);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!fs::exists(runtime / "clipmill.socket") && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(fs::exists(runtime / "clipmill.socket"));

  EXPECT_EQ(testsupport::run(testsupport::quote(program.string()) + " " +
                             testsupport::quote((dir / "handed.mts").string())),
            0);
  const fs::path list = home / "state" / "Clipmill" / "list";
  while (apptest::read_file(list).find("handed.mts") == std::string::npos &&
         std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_NE(apptest::read_file(list).find("handed.mts"), std::string::npos);

  ::kill(first, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(first, &status, 0), first);
  EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_FALSE(fs::exists(runtime / "clipmill.socket"));
}

}  // namespace

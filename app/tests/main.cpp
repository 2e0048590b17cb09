// SPDX-License-Identifier: GPL-3.0-or-later
// The one main of the app tests: a QApplication (offscreen under CTest), a
// private config home per process, no system bus, and a URL opener that only
// records.

#include <QApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/first_launch.h"
#include "app/startup.h"
#include "app/tests/app_test_env.h"
#include "testsupport/media.h"

namespace fs = std::filesystem;

namespace apptest {
namespace {
std::vector<fs::path>& made_homes() {
  static std::vector<fs::path> homes;
  return homes;
}
}  // namespace

void use_config_home(const fs::path& home) {
  ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  // The kept input list lives beside it, never in the user's state folder.
  ::setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
  app::build_settings_path();
}

fs::path fresh_config_home() {
  fs::path home = testsupport::temp_dir("config");
  made_homes().push_back(home);
  use_config_home(home);
  return home;
}

fs::path settings_file() { return app::settings_path(); }

std::string read_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void write_file(const fs::path& file, const std::string& content) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
}

std::vector<std::string>& opened_addresses() {
  static std::vector<std::string> addresses;
  return addresses;
}

bool pump_for(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return true;
}

}  // namespace apptest

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Never the machine's logind: a test that wants one starts its own bus.
  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system_bus_socket", 1);
  QApplication application(argc, argv);
  app::set_url_opener([](const std::string& address) { apptest::opened_addresses().push_back(address); });
  apptest::fresh_config_home();
  const int result = RUN_ALL_TESTS();
  std::error_code ec;
  for (const fs::path& home : apptest::made_homes()) fs::remove_all(home, ec);
  return result;
}

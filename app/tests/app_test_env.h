// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared set-up of the app tests: every test process gets its own config
// home (never the user's), and web addresses are recorded, never opened.

#include <filesystem>
#include <string>
#include <vector>

namespace apptest {

// Points XDG_CONFIG_HOME at a new empty folder and rebuilds the settings
// path; returns the folder.
std::filesystem::path fresh_config_home();
// Points XDG_CONFIG_HOME at `home` as it is and rebuilds the settings path.
void use_config_home(const std::filesystem::path& home);
// The settings file of the current config home.
std::filesystem::path settings_file();

std::string read_file(const std::filesystem::path& file);
void write_file(const std::filesystem::path& file, const std::string& content);

// Addresses handed to the URL opener since the process started.
std::vector<std::string>& opened_addresses();

// Processes events until `done` returns true or `ms` milliseconds passed.
template <class F>
bool pump_until(F done, int ms = 5000);
bool pump_for(int ms);

}  // namespace apptest

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>

#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

template <class F>
bool apptest::pump_until(F done, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

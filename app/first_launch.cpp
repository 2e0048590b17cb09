// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/first_launch.h"

#include <QDesktopServices>
#include <QUrl>

#include "app/commands.h"
#include "app/settings_file.h"

namespace app {
namespace {

constexpr const char* kSection = "general";

UrlOpener& current_opener() {
  static UrlOpener opener;
  return opener;
}

// The desktop's URL handler, started detached; the browser is not waited for.
void desktop_opener(const std::string& address) {
  QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

}  // namespace

void set_url_opener(UrlOpener opener) { current_opener() = std::move(opener); }

void open_address(const std::string& address) {
  if (current_opener()) current_opener()(address);
  else desktop_opener(address);
}

std::string first_launch_address(const std::string& dealio) {
  return std::string(kSiteAddress) + "/SetupSoft.php" + "?soft=ClipmillV1.6&dealio=" + dealio;
}

void run_first_launch() {
  if (setting_as_int(read_setting(kSection, "firstlaunch")) != 0) return;
  const std::string dealio = read_setting(kSection, "dealio") == "True" ? "True" : "False";
  const std::string address = first_launch_address(dealio);
  open_address(address);
  // Marked done even when no browser came up: the page is offered once.
  write_setting(kSection, "firstlaunch", "1");
}

}  // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
// The window's size between runs: "general"/"windowsize" holds the width and
// height of the window as last left ("1024x700"; the size it returns to
// from maximised when it was closed maximised). A value that is not two such
// numbers is ignored; a size larger than the screen, or smaller than the
// window can get, is brought within both.

#include <QScreen>

#include <algorithm>
#include <optional>
#include <regex>
#include <string>

#include "app/commands.h"
#include "app/main_window.h"
#include "app/settings_file.h"

namespace app {
namespace {

constexpr const char* kSection = "general";
constexpr const char* kKey = "windowsize";

std::optional<QSize> parse_size(const std::string& text) {
  static const std::regex kPattern("([0-9]{1,5})x([0-9]{1,5})");
  std::smatch match;
  if (!std::regex_match(text, match, kPattern)) return std::nullopt;
  return QSize(std::stoi(match[1].str()), std::stoi(match[2].str()));
}

}  // namespace

void restore_window_size(MainWindow& window) {
  const std::optional<QSize> stored = parse_size(read_setting(kSection, kKey));
  if (!stored) return;
  QSize size = *stored;
  if (const QScreen* screen = window.screen()) size = size.boundedTo(screen->availableGeometry().size());
  window.resize(size.expandedTo(window.minimumSizeHint()));
}

void save_window_size(MainWindow& window) {
  const QSize size = window.normalGeometry().size();
  write_setting(kSection, kKey, std::to_string(size.width()) + "x" + std::to_string(size.height()));
}

}  // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"

#include <QApplication>
#include <QFile>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace app {
namespace {

std::string& path_storage() {
  static std::string path;
  return path;
}

bool ends_with_slash(const std::string& s) { return !s.empty() && s.back() == '/'; }

}  // namespace

void apply_skin() {
  QFile skin(QStringLiteral("Skins/skin.msstyles"));
  if (!skin.open(QIODevice::ReadOnly)) return;
  // A style sheet is text; a binary theme file from elsewhere is not one.
  const QByteArray data = skin.read(1 << 20);
  if (data.isEmpty() || data.contains('\0')) return;
  const QString sheet = QString::fromUtf8(data);
  if (!sheet.contains(QLatin1Char('{'))) return;
  qApp->setStyleSheet(sheet);
}

std::string config_home() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  // The XDG rules say a relative value is invalid and is to be ignored.
  if (xdg && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') {
    std::string p = home;
    if (!ends_with_slash(p)) p += '/';
    return p + ".config";
  }
  return {};
}

namespace {

// The XDG rules: a configuration home that does not exist yet is made, with
// its missing parents, each with mode 0700.
void make_private_folders(const std::filesystem::path& folder) {
  std::error_code ec;
  if (folder.empty() || std::filesystem::exists(folder, ec)) return;
  make_private_folders(folder.parent_path());
  ::mkdir(folder.c_str(), 0700);
}

}  // namespace

std::string settings_path_for(const std::string& home) {
  if (home.empty()) return {};
  make_private_folders(std::filesystem::path(home).lexically_normal());
  std::string path = home;
  if (!ends_with_slash(path)) path += '/';
  path += "Clipmill";
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) std::filesystem::create_directory(path, ec);
  path += '/';
  return path + "Config.ini";
}

void build_settings_path() { path_storage() = settings_path_for(config_home()); }

const std::string& settings_path() { return path_storage(); }

}  // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
#include "probe/folder_walk.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <utility>

#include "probe/probe.h"

namespace probe {
namespace {

using FolderId = std::pair<dev_t, ino_t>;

// The names in one folder, sorted; empty when it cannot be read.
std::vector<std::string> names_in(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

void walk(const std::string& folder, std::set<FolderId>& entered, std::vector<std::string>& files) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return;
  if (!entered.insert({info.st_dev, info.st_ino}).second) return;
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  for (const std::string& name : names_in(folder)) {
    const std::string path = prefix + name;
    struct stat entry {};
    // stat, not lstat: a link counts as what it leads to.
    if (::stat(path.c_str(), &entry) != 0) continue;
    if (S_ISDIR(entry.st_mode)) walk(path, entered, files);
    else if (S_ISREG(entry.st_mode) && accepts_path(path)) files.push_back(path);
  }
}

}  // namespace

std::vector<std::string> accepted_files_below(const std::string& folder) {
  std::vector<std::string> files;
  std::set<FolderId> entered;
  walk(folder, entered, files);
  return files;
}

}  // namespace probe

// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/output_path.h"

#include <system_error>

namespace batch {

namespace fs = std::filesystem;

namespace {

// A file, folder or link (even a dangling one) by that name.
bool name_taken(const fs::path& candidate) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(candidate, ec));
}

bool names_source(const fs::path& candidate, const fs::path& source) {
  if (candidate.lexically_normal() == source.lexically_normal()) return true;
  std::error_code ec;
  return fs::equivalent(candidate, source, ec);
}

// `stem` cut short, at a UTF-8 character boundary, so that it and `tail`
// fit in one file name (255 bytes, the longest most file systems take).
std::string fitting_stem(const std::string& stem, size_t tail) {
  constexpr size_t kNameMax = 255;
  if (stem.size() + tail <= kNameMax) return stem;
  size_t keep = tail < kNameMax ? kNameMax - tail : 0;
  while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep;
  return stem.substr(0, keep);
}

}  // namespace

fs::path make_output_path(const fs::path& source, const std::string& title, bool save_beside_source,
                          const fs::path& output_folder, const std::string& extension,
                          const std::set<fs::path>* reserved) {
  // Only the title's last component names the file: a title can never lead
  // out of the chosen folder.
  const fs::path base = save_beside_source ? source : output_folder / fs::path(title).filename();
  const fs::path folder = base.parent_path();
  const std::string name = base.filename().string();

  // The extension replaces what follows the name's last "."; a leading "."
  // (a hidden file's name) does not count, and a name without one keeps all
  // of it.
  const size_t dot = name.rfind('.');
  const std::string stem = (dot != std::string::npos && dot >= 1) ? name.substr(0, dot) : name;

  for (unsigned long counter = 0;; ++counter) {
    const std::string suffix = counter == 0 ? std::string() : std::to_string(counter);
    const std::string tail = suffix + "." + extension;
    const fs::path candidate = folder / (fitting_stem(stem, tail.size()) + tail);
    if (reserved && reserved->count(candidate.lexically_normal())) continue;
    if (!name_taken(candidate) && !names_source(candidate, source)) return candidate;
  }
}

}  // namespace batch

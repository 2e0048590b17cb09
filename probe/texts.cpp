// SPDX-License-Identifier: GPL-3.0-or-later
#include "probe/probe.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace probe {
namespace {

bool ends_with_nocase(std::string_view text, std::string_view ending) {
  if (text.size() < ending.size()) return false;
  std::string_view tail = text.substr(text.size() - ending.size());
  for (std::size_t i = 0; i < ending.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(tail[i])) != ending[i]) return false;
  }
  return true;
}

// Leading decimal integer of a text in bit/s, 0 without one. Values beyond
// the 64-bit range saturate instead of overflowing.
int64_t leading_integer(const std::string& text) {
  return static_cast<int64_t>(std::strtoll(text.c_str(), nullptr, 10));
}

}  // namespace

bool accepts_path(std::string_view path) {
  return ends_with_nocase(path, "MTS") || ends_with_nocase(path, "M2TS") ||
         ends_with_nocase(path, "MPG");
}

std::string title_of(std::string_view path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return std::string(path);
  return std::string(path.substr(slash + 1));
}

std::string duration_text(int seconds) {
  if (seconds < 0) seconds = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%.2d:%.2d", seconds / 60, seconds % 60);
  return text;
}

std::string settings_text(const std::string& width, const std::string& height,
                          const std::string& bit_rate) {
  int64_t kbits = leading_integer(bit_rate) / 1000;
  int64_t mbits = kbits / 1000;
  return width + "x" + height + " (" + std::to_string(mbits) + " MBps)";
}

std::string size_text(int64_t bytes) {
  char text[32];
  if (bytes >= 1000000000) std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / 1e9);
  else if (bytes >= 1000000) std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  else if (bytes >= 1000) std::snprintf(text, sizeof text, "%.0f kB", static_cast<double>(bytes) / 1e3);
  else std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(bytes));
  return text;
}

}  // namespace probe

// SPDX-License-Identifier: GPL-3.0-or-later
#include "probe/recording_time.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <ctime>
#include <string>

#include "probe/mediainfo.h"

namespace probe {
namespace {

bool is_regular(const std::string& path, struct stat& info) {
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t days_from_civil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

// The zone after the time: offset east of UTC in seconds; none when the
// text is no zone. `local` is set for an empty text.
std::optional<int64_t> zone_offset(std::string_view zone, bool& local) {
  zone = trim(zone);
  local = zone.empty();
  if (local || zone == "UTC" || zone == "Z" || zone == "GMT") return 0;
  if (zone.front() != '+' && zone.front() != '-') return std::nullopt;
  // "+HH:MM", "+HHMM" or "+HH": the digits without the colon.
  std::string digits;
  for (char c : zone.substr(1)) {
    if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
    else if (c != ':' || digits.size() != 2) return std::nullopt;
  }
  if (digits.size() != 2 && digits.size() != 4) return std::nullopt;
  const int hours = std::stoi(digits.substr(0, 2));
  const int minutes = digits.size() == 4 ? std::stoi(digits.substr(2)) : 0;
  if (hours > 14 || minutes > 59) return std::nullopt;
  const int64_t offset = hours * 3600 + minutes * 60;
  return zone.front() == '-' ? -offset : offset;
}

}  // namespace

std::optional<int64_t> parse_recorded_date(std::string_view text) {
  text = trim(text);
  std::string_view zone_before;
  if (text.substr(0, 4) == "UTC ") {
    zone_before = "UTC";
    text.remove_prefix(4);
  }
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, used = 0;
  const std::string head(text);
  if (std::sscanf(head.c_str(), "%4d-%2d-%2d%*1[ T]%2d:%2d:%2d%n", &year, &month, &day, &hour, &minute, &second,
                  &used) != 6)
    return std::nullopt;
  if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
    return std::nullopt;
  std::string_view rest = text.substr(static_cast<size_t>(used));
  // Fractions of a second are dropped.
  if (!rest.empty() && rest.front() == '.') {
    rest.remove_prefix(1);
    while (!rest.empty() && std::isdigit(static_cast<unsigned char>(rest.front()))) rest.remove_prefix(1);
  }
  bool local = false;
  const std::optional<int64_t> offset = zone_offset(zone_before.empty() ? rest : zone_before, local);
  if (!offset || (!zone_before.empty() && !trim(rest).empty())) return std::nullopt;
  if (local) {
    struct tm civil {};
    civil.tm_year = year - 1900;
    civil.tm_mon = month - 1;
    civil.tm_mday = day;
    civil.tm_hour = hour;
    civil.tm_min = minute;
    civil.tm_sec = second;
    civil.tm_isdst = -1;
    const time_t seconds = std::mktime(&civil);
    if (seconds == static_cast<time_t>(-1)) return std::nullopt;
    return static_cast<int64_t>(seconds);
  }
  const int64_t utc = days_from_civil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  return utc - *offset;
}

std::optional<RecordingTime> recording_time(const std::string& path, std::string_view recorded_date) {
  if (const auto recorded = parse_recorded_date(recorded_date)) return RecordingTime{*recorded, true};
  struct stat info {};
  if (!is_regular(path, info)) return std::nullopt;
  return RecordingTime{static_cast<int64_t>(info.st_mtime), false};
}

std::optional<RecordingTime> recording_time(const std::string& path) {
  struct stat info {};
  // Only regular files go to MediaInfo: a pipe would block it.
  if (!is_regular(path, info)) return std::nullopt;
  return recording_time(path, read_video_facts(path).recorded_date);
}

std::string recording_time_text(const RecordingTime& when) {
  const time_t seconds = static_cast<time_t>(when.seconds);
  struct tm local {};
  char text[64] = {};
  if (!localtime_r(&seconds, &local) || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %Z", &local) == 0)
    return {};
  return std::string(when.from_camera ? "Recorded: " : "Modified: ") + text;
}

}  // namespace probe

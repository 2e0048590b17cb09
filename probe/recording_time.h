// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// When a recording was made: the camcorder's own recording time as
// MediaInfo reads it, else the file's modification time.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace probe {

struct RecordingTime {
  int64_t seconds = 0;      // since 1970, UTC
  bool from_camera = false;  // the recorded date; false: the file's time
};

// MediaInfo's date text as seconds since 1970 (UTC): "YYYY-MM-DD HH:MM:SS"
// with an optional zone, " UTC", "Z" or "+HH:MM" / "-HHMM" after it or "UTC "
// before it. Without a zone the time is local. None when it is no such text.
std::optional<int64_t> parse_recorded_date(std::string_view text);

// The recording time of `recorded_date` (MediaInfo's text), else of the
// file's modification time; none when neither can be had.
std::optional<RecordingTime> recording_time(const std::string& path, std::string_view recorded_date);
// Reads the recorded date with MediaInfo first.
std::optional<RecordingTime> recording_time(const std::string& path);

// "Recorded: 2012-01-26 09:18:35 UTC" in local time, or "Modified: ..." for
// a file time.
std::string recording_time_text(const RecordingTime& when);

}  // namespace probe

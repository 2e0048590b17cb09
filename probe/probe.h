// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File facts: which files the input list accepts and what a row shows of
// them (title, frame size and bit rate, duration).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace probe {

// A file is accepted by the end of its path alone, in any letter case:
// "MTS", "M2TS" or "MPG" (no dot required; ".mpeg" is not accepted).
bool accepts_path(std::string_view path);

// The part of the path after its last '/', or the whole path without one.
std::string title_of(std::string_view path);

// Playing time of the container in whole seconds, 0 when the file cannot be
// opened or analysed or reports no duration.
int probe_duration(const std::string& path);

// "%.2d:%.2d" of minutes and seconds; minutes are not limited (6000 s give
// "100:00"). Negative input counts as 0.
std::string duration_text(int seconds);

// width "x" height " (" whole Mbit/s " MBps)"; the bit rate text is read as
// a leading decimal integer in bit/s (0 without one) and divided by 1000
// twice, each time dropping the remainder.
std::string settings_text(const std::string& width, const std::string& height,
                          const std::string& bit_rate);

// Everything a new row of the list shows.
struct FileFacts {
  std::string title;     // the name; a joined recording's first name and " (+N parts)"
  std::string settings;
  std::string duration;  // of all parts
  std::string done;      // "0 %"
  std::string path;      // the (first) part's path
  std::vector<std::string> parts;  // every part of a joined recording; empty for one file
  std::string tooltip;   // the recording date; for parts, their count and total size
};

// Probes one accepted file on the calling thread: duration with the
// container library, then width, height and bit rate of the first video
// stream with MediaInfo. Never fails: unreadable values give empty texts.
FileFacts describe_file(const std::string& path);
// The same for one recording in several parts (one part: describe_file).
FileFacts describe_recording(const std::vector<std::string>& parts);

// "1.2 GB", "35.4 MB", "512 kB", "12 bytes" (powers of 1000).
std::string size_text(int64_t bytes);

}  // namespace probe

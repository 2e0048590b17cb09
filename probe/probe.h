// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File facts: which files the input list accepts and what a row shows of
// them (title, frame size and bit rate, duration).

#include <string>
#include <string_view>

namespace probe {

// A file is accepted by the end of its path alone, in any letter case:
// "MTS", "M2TS" or "MPG" (no dot required; ".mpeg" is not accepted).
bool accepts_path(std::string_view path);

// The part of the path after its last '/', or the whole path without one.
std::string title_of(std::string_view path);

// Playing time of the container in whole seconds, 0 when the file cannot be
// opened or analysed or reports no duration. Clears the preview area first
// (the engine's clear_preview hook).
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
  std::string title;
  std::string settings;
  std::string duration;
  std::string done;  // "0 %"
  std::string path;
};

// Probes one accepted file on the calling thread: duration with the
// container library, then width, height and bit rate of the first video
// stream with MediaInfo. Never fails: unreadable values give empty texts.
FileFacts describe_file(const std::string& path);

}  // namespace probe

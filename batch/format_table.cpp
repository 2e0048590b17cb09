#include "batch/format_table.h"

#include <array>

namespace batch {

namespace {

// Tried in this order; the first exact match wins.
constexpr std::array<FormatChoice, 7> kFormats{{
    {"avi", "avi", 12, 2, 0, 2},    // MS-MPEG-4 v2 + MP3
    {"flv", "flv", 15, 2, 0, 2},    // FLV1 + MP3
    {"mp4", "mp4", 1, 1, 0, 1},     // MPEG-4 part 2 + AAC, mono
    {"mpg2", "mpg", 14, 6, 7, 2},   // MPEG-2 + AC-3, DVD program stream
    {"wmv", "wmv", 4, 4, 0, 2},     // WMV2 + WMA v2
    {"mpg1", "mpg", 13, 3, 0, 2},   // MPEG-1 + MP2
    {"h.263", "3gp", 6, 5, 0, 1},   // H.263 + AMR-NB, mono
}};

}  // namespace

const FormatChoice* format_choice(std::string_view lower_case_format) {
  for (const auto& row : kFormats)
    if (lower_case_format == row.format) return &row;
  return nullptr;
}

}  // namespace batch

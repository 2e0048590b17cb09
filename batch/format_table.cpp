// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/format_table.h"

#include <array>

namespace batch {

namespace {

using engine::StreamCopy;

// Tried in this order; the first exact match wins. DVD-Video audio must be
// 48 kHz: players and authoring tools take AC-3 there as 48 kHz whatever
// the stream says. AMR-NB only knows 8 kHz mono at 12.2 kbit/s here. The
// copies keep the source's sound rate and channels (0): "copy" names no
// encoder, the streams pass as they are (MP4 copy converts sound to AAC).
constexpr std::array<FormatRow, 11> kFormats{{
    {"Avi", "avi", "avi", "msmpeg4v2", "libmp3lame", 12, 2, 44100, 2, 0, 0, "avi"},
    {"FLV", "flv", "flv", "flv", "libmp3lame", 15, 2, 44100, 2, 0, 0, "flv"},
    {"MP4", "mp4", "mp4", "mpeg4", "aac", 1, 1, 44100, 1, 0, 0, "mp4"},
    {"MPG2", "mpg2", "dvd", "mpeg2video", "ac3", 14, 6, 48000, 2, 0, 7, "mpg"},
    {"WMV", "wmv", "asf", "wmv2", "wmav2", 4, 4, 44100, 2, 0, 0, "wmv"},
    {"MPG1", "mpg1", "mpeg", "mpeg1video", "mp2", 13, 3, 44100, 2, 0, 0, "mpg"},
    {"H.263", "h.263", "3gp", "h263", "libopencore_amrnb", 6, 5, 8000, 1, 12200, 0, "3gp"},
    {"MP4 H.264", "mp4 h.264", "mp4", "libx264", "aac", 16, 1, 48000, 2, 0, 0, "mp4", StreamCopy::none, true},
    {"MP4 HEVC", "mp4 hevc", "mp4", "libx265", "aac", 17, 1, 48000, 2, 0, 0, "mp4", StreamCopy::none, true},
    {"MP4 copy", "mp4 copy", "mp4", "copy", "aac", 0, 1, 0, 0, 0, 0, "mp4", StreamCopy::video_aac_audio, true},
    {"MKV copy", "mkv copy", "matroska", "copy", "copy", 0, 0, 0, 0, 0, 0, "mkv", StreamCopy::every_stream, false},
}};

}  // namespace

std::span<const FormatRow> format_table() { return kFormats; }

const FormatRow* format_row(std::string_view lower_case_format) {
  for (const auto& row : kFormats)
    if (lower_case_format == row.format) return &row;
  return nullptr;
}

}  // namespace batch

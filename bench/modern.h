// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The benchmark of the formats people play today, each against the ffmpeg
// tool doing the same work: the MP4 copy of a large recording (with the
// reading limit, `cat` of the file, beside it), and the H.264 and HEVC
// presets on an interlaced 1080i clip, one file (with the picture quality
// and size of both results) and a batch of eight.

#include <filesystem>

namespace bench {

struct ModernOptions {
  int repeat = 3;                        // runs per side; paired figures are medians of the rounds
  double seconds = 5;                    // length of the made 1080i clip
  int copy_megabytes = 1024;             // size of the made recording for the copy
  std::filesystem::path convert_tool;    // clipmill-convert of this build
  std::filesystem::path clip;            // a given source instead of a made one
  bool batch = false;                    // also the batch of eight with "Auto"
};

// MP4 copy of a recording of about `copy_megabytes`, warm page cache.
int run_copy(const ModernOptions& o, const std::filesystem::path& work);
// H.264 and HEVC presets, one file and (with `batch`) eight.
int run_modern(const ModernOptions& o, const std::filesystem::path& work);

}  // namespace bench

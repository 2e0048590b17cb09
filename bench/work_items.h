// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The benchmark's work: one conversion per output format, described once
// and turned into the command line of each side (the engine through
// clipmill-convert, and the ffmpeg tool with the same codecs and options at
// its default threading, which is what a user compares with).

#include <filesystem>
#include <string>
#include <vector>

namespace bench {

struct WorkItem {
  std::string format;         // format list text, lower case ("mpg2")
  std::string size;           // "1280x720"
  std::string aspect;         // "16/9"
  std::string fps;            // "29.97"
  std::string video_kbits;    // "9000"
  std::string audio_kbits;    // "224"
  std::string note;           // where the two sides cannot do the same work
  std::string preset;         // the preset the values come from; "" none
  bool deinterlace = false;   // both sides deinterlace (the tool with bwdif before its scaling)
};

// One item per designed format, with the values of the first preset of that
// format.
std::vector<WorkItem> work_items();

// One item per designed preset, deinterlacing on both sides: the defaults a
// camcorder user converts with.
std::vector<WorkItem> deinterlacing_items();

// `inputs` are converted by one clipmill-convert run, `jobs` of them at once.
std::vector<std::string> engine_command(const std::filesystem::path& convert_tool, const WorkItem& item,
                                        const std::vector<std::filesystem::path>& inputs,
                                        const std::filesystem::path& out_dir, int jobs = 1);
std::vector<std::string> ffmpeg_command(const WorkItem& item, const std::filesystem::path& input,
                                        const std::filesystem::path& out_dir);

}  // namespace bench

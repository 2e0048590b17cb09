// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The MediaInfo library, loaded at run time through its plain C interface.
// When it cannot be loaded, every value read is the text
// "Unable to load MediaInfo.dll" and loading is tried again on the next read.

#include <string>

namespace probe {

inline constexpr const char* kMediaInfoMissingText = "Unable to load MediaInfo.dll";

// Width, height and bit rate of a file's first video stream as MediaInfo
// gives them; empty texts when the file has no video stream or cannot be read.
struct VideoFacts {
  std::string width;
  std::string height;
  std::string bit_rate;
  std::string recorded_date;  // the file's recording time ("2012-01-26 09:18:35 UTC"), often empty
};
VideoFacts read_video_facts(const std::string& path);

// The library file to load (default "libmediainfo.so.0"). Setting it forgets
// a library already loaded, so the next read loads the new one.
void set_mediainfo_library(const std::string& file);

}  // namespace probe

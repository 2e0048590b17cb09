// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Checks of a result as the players people use would make them: a web
// browser (Debian's headless Chromium), GStreamer's own demuxers and
// decoders, and the decoded pictures and sound themselves.

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// What a browser's <video> element made of one file.
struct BrowserPlay {
  double duration = 0;  // seconds, as the element reports it
  int spread = 0;       // brightest minus darkest pixel of the picture drawn at mid-length; 0: blank
  std::string error;    // the element's error, empty when it played
};

// Loads each file into a <video> element of a page served on localhost, in
// one Chromium start; empty when Chromium gave no answer.
std::vector<BrowserPlay> play_in_browser(const std::vector<std::filesystem::path>& files);

// The pictures GStreamer decodes from the file's video (demuxer and decoder
// chosen by its decodebin); -1 when it fails.
int gstreamer_pictures(const std::filesystem::path& file);

// The md5 of each decoded frame of one stream ("v:0", "a:0"), in order.
std::vector<std::string> frame_digests(const std::filesystem::path& file, const std::string& stream);

// Whether an MP4's index (moov) comes before its media data (mdat), so that
// playing can start before the whole file has arrived.
bool index_before_media(const std::filesystem::path& file);

}  // namespace testsupport

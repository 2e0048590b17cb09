// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport/playback.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "testsupport/media.h"

namespace testsupport {

namespace fs = std::filesystem;

namespace {

// The value of "key=..." in a report line, up to the next blank (the error
// text, last on the line, to its end).
std::string field(const std::string& line, const std::string& key) {
  const auto at = line.find(" " + key + "=");
  if (at == std::string::npos) return {};
  const auto from = at + key.size() + 2;
  return key == "error" ? line.substr(from) : line.substr(from, line.find(' ', from) - from);
}

}  // namespace

std::vector<BrowserPlay> play_in_browser(const std::vector<fs::path>& files) {
  const char* source = std::getenv("CLIPMILL_SOURCE_DIR");
  std::string command = "/usr/bin/python3 " + quote((fs::path(source ? source : ".") / "testsupport" /
                                            "browser_playback.py").string());
  for (const auto& f : files) command += " " + quote(f.string());
  std::string out;
  if (run(command, &out) != 0) return {};
  std::vector<BrowserPlay> plays;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);)
    plays.push_back({std::strtod(field(line, "duration").c_str(), nullptr),
                     std::atoi(field(line, "spread").c_str()), field(line, "error")});
  return plays;
}

int gstreamer_pictures(const fs::path& file) {
  std::string out;
  const int rc = run("gst-launch-1.0 -v filesrc location=" + quote(file.string()) +
                         " ! decodebin ! video/x-raw ! fakesink silent=false",
                     &out, true);
  if (rc != 0) return -1;
  int pictures = 0;
  for (size_t at = out.find("last-message = chain"); at != std::string::npos;
       at = out.find("last-message = chain", at + 1))
    ++pictures;
  return pictures;
}

std::vector<std::string> frame_digests(const fs::path& file, const std::string& stream) {
  std::string out;
  if (run("ffmpeg -nostdin -v error -i " + quote(file.string()) + " -map 0:" + stream + " -f framemd5 -", &out) != 0)
    return {};
  std::vector<std::string> digests;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && line[0] != '#') digests.push_back(line.substr(line.rfind(',') + 1));
  return digests;
}

bool index_before_media(const fs::path& file) {
  // The top-level boxes, in order: size (4 bytes, big-endian), type, ...
  std::ifstream in(file, std::ios::binary);
  for (uint64_t at = 0;;) {
    unsigned char head[16];
    in.seekg(static_cast<std::streamoff>(at));
    if (!in.read(reinterpret_cast<char*>(head), 8)) return false;
    const std::string type(reinterpret_cast<char*>(head + 4), 4);
    if (type == "moov") return true;
    if (type == "mdat") return false;
    uint64_t size = (uint64_t{head[0]} << 24) | (head[1] << 16) | (head[2] << 8) | head[3];
    if (size == 1 && in.read(reinterpret_cast<char*>(head + 8), 8)) {
      size = 0;
      for (int i = 8; i < 16; ++i) size = (size << 8) | head[i];
    }
    if (size < 8) return false;
    at += size;
  }
}

}  // namespace testsupport

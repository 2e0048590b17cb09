// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <system_error>

#include "engine/av_ptr.h"
#include "probe/mediainfo.h"
#include "probe/probe.h"
#include "probe/recording_time.h"
#include "probe/spanned.h"

namespace probe {
namespace {

// Opening a named pipe or a device blocks or never ends, so only regular
// files are handed to the libraries; anything else is listed without facts.
bool is_regular_file(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

int probe_duration(const std::string& path) {
  if (!is_regular_file(path)) return 0;

  AVFormatContext* raw = nullptr;
  // On failure the library frees what it allocated and leaves raw null.
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return 0;
  engine::InputContextPtr input(raw);
  if (avformat_find_stream_info(input.get(), nullptr) < 0) return 0;

  // AV_NOPTS_VALUE (no duration known) is negative and so gives 0 as well.
  int64_t seconds = input->duration / 1000000;
  if (seconds < 0) return 0;
  if (seconds > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int>(seconds);
}

FileFacts describe_file(const std::string& path) {
  FileFacts facts;
  facts.title = title_of(path);
  facts.path = path;
  facts.done = "0 %";
  const int seconds = probe_duration(path);
  facts.duration = duration_text(seconds);
  VideoFacts video;
  const bool regular = is_regular_file(path);
  if (regular) video = read_video_facts(path);
  // Transport streams give no stream bit rate: the file's overall rate
  // (its size over its duration) is the figure that means something.
  std::string bit_rate = video.bit_rate;
  std::error_code ec;
  if (regular && bit_rate.empty() && seconds > 0) {
    if (const auto size = std::filesystem::file_size(path, ec); !ec)
      bit_rate = std::to_string(static_cast<int64_t>(size) * 8 / seconds);
  }
  facts.settings = settings_text(video.width, video.height, bit_rate);
  if (const auto when = regular ? recording_time(path, video.recorded_date) : std::nullopt)
    facts.tooltip = recording_time_text(*when);
  return facts;
}

FileFacts describe_recording(const std::vector<std::string>& parts) {
  if (parts.size() < 2) return describe_file(parts.empty() ? std::string() : parts.front());
  FileFacts facts = describe_file(parts.front());
  facts.parts = parts;
  facts.title += " (+" + std::to_string(parts.size() - 1) + " parts)";
  int64_t duration_us = 0;
  int64_t bytes = 0;
  for (const std::string& part : parts) {
    duration_us += part_facts(part).duration_us;
    std::error_code ec;
    const auto size = std::filesystem::file_size(part, ec);
    if (!ec) bytes += static_cast<int64_t>(size);
  }
  facts.duration = duration_text(static_cast<int>(std::min<int64_t>(duration_us / 1000000, INT32_MAX)));
  const std::string summary = std::to_string(parts.size()) + " parts, " + size_text(bytes) + " in all";
  facts.tooltip = facts.tooltip.empty() ? summary : facts.tooltip + "\n" + summary;
  return facts;
}

}  // namespace probe

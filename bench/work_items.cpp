// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/work_items.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

#include "batch/format_table.h"
#include "presets/conversion_settings.h"
#include "presets/option_tables.h"

namespace bench {

namespace {

// The ffmpeg tool has no AMR-NB encoder: AAC at the same rate stands in.
const char* tool_audio_encoder(const batch::FormatRow& row) {
  return std::string_view(row.audio_encoder) == "libopencore_amrnb" ? "aac" : row.audio_encoder;
}

// The MPEG program-stream muxers take "muxrate".
bool mpeg_muxer(const batch::FormatRow& row) {
  const std::string_view muxer = row.container;
  return muxer == "dvd" || muxer == "mpeg";
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The engine's frame-rate rules, as a rate the ffmpeg tool reads.
std::string tool_rate(const std::string& fps) {
  const double r = presets::read_leading_float(fps);
  if (r >= 29 && r < 30) return "30000/1001";
  if (r >= 23 && r < 24) return "24000/1001";
  if (r >= 14 && r < 15) return "15000/1001";
  if (r >= 12 && r < 13) return "25/2";
  if (r >= 11 && r < 12) return "12000/1001";
  if (r >= 7 && r < 8) return "15/2";
  if (r >= 6 && r < 7) return "25/4";
  if (r >= 5 && r < 6) return "6000/1001";
  return fps;
}

int video_bits(const WorkItem& item) {
  return static_cast<int>(std::min<long long>(presets::read_leading_integer(item.video_kbits), 19000)) * 1000;
}

}  // namespace

std::vector<WorkItem> work_items() {
  std::vector<WorkItem> items;
  // The designed formats; the later ones have their own figures (--copy,
  // --modern).
  const auto designed = batch::format_table().first(batch::kDesignedFormatCount);
  for (const auto& preset : presets::preset_table()) {
    const std::string format = lower(preset.format);
    if (std::none_of(designed.begin(), designed.end(), [&](const batch::FormatRow& r) { return r.format == format; }))
      continue;
    if (std::any_of(items.begin(), items.end(), [&](const WorkItem& w) { return w.format == format; })) continue;
    WorkItem item{format, preset.size, preset.aspect, preset.fps, preset.video_bitrate, preset.audio_bitrate, ""};
    if (format == "h.263") item.note = "ffmpeg side: AAC instead of AMR-NB (no AMR-NB encoder in the tool)";
    items.push_back(item);
  }
  // Formats no preset names (MPEG-1) run at video-CD values.
  for (const auto& f : designed) {
    if (std::none_of(items.begin(), items.end(), [&](const WorkItem& w) { return w.format == f.format; }))
      items.push_back({f.format, "352x288", "4/3", "25", "1150", "224", "no preset: video-CD values"});
  }
  return items;
}

std::vector<WorkItem> deinterlacing_items() {
  std::vector<WorkItem> items;
  for (const auto& preset : presets::preset_table().first(13)) {
    WorkItem item{lower(preset.format), preset.size, preset.aspect, preset.fps, preset.video_bitrate,
                  preset.audio_bitrate, "", preset.display_name, true};
    if (item.format == "h.263") item.note = "ffmpeg side: AAC instead of AMR-NB";
    items.push_back(item);
  }
  return items;
}

std::vector<std::string> engine_command(const std::filesystem::path& convert_tool, const WorkItem& item,
                                        const std::vector<std::filesystem::path>& inputs,
                                        const std::filesystem::path& out_dir, int jobs) {
  std::vector<std::string> cmd = {convert_tool.string(), "--format", item.format, "--size", item.size, "--fps",
                                  item.fps, "--video-bitrate", item.video_kbits, "--audio-bitrate",
                                  item.audio_kbits, "--aspect", item.aspect, "--jobs", std::to_string(jobs),
                                  // Like for like with the tool's command: no joining of the
                                  // numbered copies.
                                  "--no-join", "--no-recording-date"};
  if (!item.deinterlace) cmd.push_back("--no-deinterlace");
  for (const auto& input : inputs) cmd.push_back(input.string());
  cmd.push_back(out_dir.string());
  return cmd;
}

std::vector<std::string> ffmpeg_command(const WorkItem& item, const std::filesystem::path& input,
                                        const std::filesystem::path& out_dir) {
  const batch::FormatRow& f = *batch::format_row(item.format);
  const int video = video_bits(item);
  const int max_rate = video > 9000000 ? video : 9000000;
  const bool is_3gp = item.format == "h.263";
  const int audio = is_3gp ? 12200 : static_cast<int>(presets::read_leading_integer(item.audio_kbits)) * 1000;
  std::string aspect = item.aspect;
  std::replace(aspect.begin(), aspect.end(), '/', ':');
  // DVD at 720x480 uses a group of pictures of 18, every other format 15.
  const std::string gop = (item.format == "mpg2" && item.size == "720x480") ? "18" : "15";

  std::vector<std::string> cmd = {
      "ffmpeg", "-nostdin", "-y", "-v", "error", "-i", input.string(), "-sws_flags", "bicubic",
      "-map", "0:v:0", "-map", "0:a:0?", "-s", item.size, "-r", tool_rate(item.fps), "-aspect", aspect,
      "-c:v", f.video_encoder, "-b:v", std::to_string(video), "-maxrate", std::to_string(max_rate),
      "-minrate", "0", "-bufsize", "1835008", "-g", gop,
      "-c:a", tool_audio_encoder(f), "-b:a", std::to_string(audio), "-ar", std::to_string(f.sample_rate),
      "-ac", std::to_string(f.channels),
      "-af", "aresample=filter_size=16:phase_shift=10:linear_interp=0:cutoff=0.8",
      "-packetsize", "2048"};
  // The engine's deinterlacing: bwdif, one picture per picture, before the scaling.
  if (item.deinterlace) cmd.insert(cmd.end(), {"-vf", "bwdif=mode=send_frame:parity=auto:deint=interlaced"});
  if (mpeg_muxer(f)) {
    cmd.insert(cmd.end(), {"-muxrate", "10080000"});
  }
  cmd.insert(cmd.end(), {"-f", f.container, (out_dir / ("tool-" + input.stem().string() + "." + f.extension)).string()});
  return cmd;
}

}  // namespace bench

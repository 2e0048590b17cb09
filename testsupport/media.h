// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test helpers: media made at test time with the ffmpeg tool, and the checks a
// user's other tools would make on a result (ffprobe, a full decode).

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// Runs a shell command; returns its exit status and fills `output` with what
// it printed on stdout (and stderr when `merge_stderr`).
int run(const std::string& command, std::string* output = nullptr, bool merge_stderr = false);

// Quotes a path or word for the shell.
std::string quote(const std::string& text);

// A file in the shared media cache of the build, made once by `ffmpeg_args`
// (everything between "ffmpeg -y" and the output path). Safe across the
// parallel test processes: made under a lock and moved into place whole.
std::filesystem::path cached_media(const std::string& name, const std::string& ffmpeg_args);

// Common clips. Durations are in seconds.
// 1080i 29.97 H.264 + AC-3 48 kHz stereo in a 192-byte-packet transport stream.
std::filesystem::path avchd_clip(double seconds = 2.0);
// 720x576 25 fps MPEG-2 + MP2 48 kHz stereo in an MPEG program stream.
std::filesystem::path mpeg2_ps_clip(double seconds = 2.0);

// A camcorder's interlaced recording: WIDTHxHEIGHT H.264 coded as top-field-
// first fields at 25 frames per second, each field a moment of its own (50
// moving pictures a second), + AC-3 48 kHz stereo, in a 192-byte-packet
// transport stream.
std::filesystem::path interlaced_clip(int width, int height, double seconds = 1.0);

// A small camcorder-like recording: 320x240 25 fps H.264 (a key picture
// every 15) + AC-3 in a 192-byte-packet transport stream. `tone` sets the
// sound, so two recordings of one length still differ.
std::filesystem::path camcorder_clip(double seconds, int tone = 440);
// Splits `file` as a camcorder spans a long recording: `count` parts of
// about equal size, cut at 192-byte packet boundaries, written into
// `folder` as 00000.MTS, 00001.MTS, ... Returns the parts in order.
std::vector<std::filesystem::path> split_recording(const std::filesystem::path& file, int count,
                                                   const std::filesystem::path& folder);

// The later part of a recording split mid-GOP, written into `folder` as
// 00001.MTS: 10 s of 320x240 25 fps H.264 + AC-3 whose first key picture
// comes 8 s in, so that reading the start finds no picture size at all.
std::filesystem::path mid_gop_part(const std::filesystem::path& folder);

// A fresh empty folder for one test, removed by the caller or left in /tmp.
std::filesystem::path temp_dir(const std::string& tag);

// The corpus of real files beside the project (../shared/corpus), or an empty
// path when it is not there.
std::filesystem::path corpus_dir();

struct StreamInfo {
  std::string codec_type;   // "video", "audio", ...
  std::string codec_name;   // "mpeg2video", "ac3", ...
  int width = 0, height = 0;
  std::string frame_rate;   // r_frame_rate, e.g. "25/1"
  int sample_rate = 0;
  int channels = 0;
  double start_time = 0;    // seconds
  double duration = 0;      // seconds, 0 when unknown
  std::string profile;      // "High", "Main", "LC", ...
  int level = 0;            // 42 for H.264 level 4.2
  std::string pix_fmt;      // "yuv420p", ...
  std::string codec_tag;    // "avc1", "hvc1", ...
  std::string field_order;  // "progressive", "tt", ...
};

struct ProbeInfo {
  bool ok = false;
  std::string format_name;  // "avi", "mpeg", "mov,mp4,m4a,3gp,3g2,mj2", ...
  double duration = 0;      // seconds
  std::vector<StreamInfo> streams;
  const StreamInfo* first(const std::string& type) const;
};

// What ffprobe says of a file.
ProbeInfo probe(const std::filesystem::path& file);

// Decodes every stream of the file to the end with the ffmpeg tool; returns
// true when it ends cleanly. `errors` receives what the decoder complained of.
bool decodes_fully(const std::filesystem::path& file, std::string* errors = nullptr);

// Number of decoded video frames (ffprobe -count_frames), -1 on failure.
int count_video_frames(const std::filesystem::path& file);

}  // namespace testsupport

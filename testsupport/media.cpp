// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport/media.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <vector>
#include <sys/wait.h>

namespace testsupport {
namespace fs = std::filesystem;

int run(const std::string& command, std::string* output, bool merge_stderr) {
  std::string cmd = command + (merge_stderr ? " 2>&1" : "");
  FILE* pipe = popen(cmd.c_str(), "r");
  if (!pipe) return -1;
  std::array<char, 4096> buf{};
  std::string text;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) text.append(buf.data(), n);
  int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string quote(const std::string& text) {
  std::string q = "'";
  for (char c : text) {
    if (c == '\'') q += "'\\''";
    else q += c;
  }
  return q + "'";
}

fs::path cached_media(const std::string& name, const std::string& ffmpeg_args) {
  const char* env = std::getenv("CLIPMILL_MEDIA_CACHE");
  fs::path dir = env ? fs::path(env) : fs::temp_directory_path() / "clipmill-test-media";
  fs::create_directories(dir);
  fs::path target = dir / name;
  if (fs::exists(target)) return target;
  fs::path lock = dir / (name + ".lock");
  int fd = ::open(lock.c_str(), O_CREAT | O_RDWR, 0644);
  if (fd >= 0) ::flock(fd, LOCK_EX);
  if (!fs::exists(target)) {
    fs::path part = dir / (name + ".part" + target.extension().string());
    std::string out;
    std::string cmd = "ffmpeg -nostdin -hide_banner -loglevel error -y " + ffmpeg_args + " " +
                      quote(part.string());
    int rc = run(cmd, &out, true);
    if (rc == 0) fs::rename(part, target);
    else ADD_FAILURE_AT(__FILE__, __LINE__) << "making test media failed: " << cmd << "\n" << out;
  }
  if (fd >= 0) {
    ::flock(fd, LOCK_UN);
    ::close(fd);
  }
  return target;
}

fs::path avchd_clip(double seconds) {
  std::ostringstream name, args;
  name << "avchd_" << seconds << ".m2ts";
  args << "-f lavfi -i testsrc2=size=1920x1080:rate=30000/1001 "
       << "-f lavfi -i sine=frequency=440:sample_rate=48000 "
       << "-t " << seconds << " -ac 2 "
       << "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -flags +ildct+ilme -x264opts tff=1 "
       << "-b:v 8M -c:a ac3 -b:a 192k -f mpegts -mpegts_m2ts_mode 1";
  return cached_media(name.str(), args.str());
}

fs::path interlaced_clip(int width, int height, double seconds) {
  std::ostringstream name, args;
  name << "interlaced_" << width << "x" << height << "_" << seconds << ".m2ts";
  args << "-f lavfi -i testsrc2=size=" << width << "x" << height << ":rate=50,tinterlace=interleave_top,setfield=tff "
       << "-f lavfi -i sine=frequency=440:sample_rate=48000 -t " << seconds << " -ac 2 "
       << "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -flags +ildct+ilme -x264opts tff=1 "
       << "-b:v 8M -c:a ac3 -b:a 192k -f mpegts -mpegts_m2ts_mode 1";
  return cached_media(name.str(), args.str());
}

fs::path mpeg2_ps_clip(double seconds) {
  std::ostringstream name, args;
  name << "mpeg2ps_" << seconds << ".mpg";
  args << "-f lavfi -i testsrc2=size=720x576:rate=25 "
       << "-f lavfi -i sine=frequency=660:sample_rate=48000 "
       << "-t " << seconds << " -ac 2 "
       << "-c:v mpeg2video -b:v 4M -c:a mp2 -b:a 192k -f vob";
  return cached_media(name.str(), args.str());
}

fs::path camcorder_clip(double seconds, int tone) {
  std::ostringstream name, args;
  name << "camcorder_" << seconds << "_" << tone << ".m2ts";
  args << "-f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=" << tone
       << ":sample_rate=48000 -t " << seconds << " -ac 2 -c:v libx264 -preset ultrafast -g 15 -pix_fmt yuv420p "
       << "-c:a ac3 -b:a 128k -f mpegts -mpegts_m2ts_mode 1";
  return cached_media(name.str(), args.str());
}

fs::path mid_gop_part(const fs::path& folder) {
  const fs::path whole = cached_media(
      "long_gop_12.m2ts",
      "-f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 -t 12 -ac 2 "
      "-c:v libx264 -preset ultrafast -g 250 -pix_fmt yuv420p -c:a ac3 -b:a 128k -f mpegts -mpegts_m2ts_mode 1");
  std::ifstream in(whole, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t from = bytes.size() / 192 / 6 * 192;
  const fs::path part = folder / "00001.MTS";
  std::ofstream(part, std::ios::binary).write(bytes.data() + from, static_cast<std::streamsize>(bytes.size() - from));
  return part;
}

std::vector<fs::path> split_recording(const fs::path& file, int count, const fs::path& folder) {
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t packets = bytes.size() / 192;
  std::vector<fs::path> parts;
  for (int i = 0; i < count; ++i) {
    const size_t from = packets * i / count * 192;
    const size_t to = i + 1 == count ? bytes.size() : packets * (i + 1) / count * 192;
    char name[16];
    std::snprintf(name, sizeof name, "%05d.MTS", i);
    parts.push_back(folder / name);
    std::ofstream(parts.back(), std::ios::binary).write(bytes.data() + from, static_cast<std::streamsize>(to - from));
  }
  return parts;
}

namespace {

// The scratch folders of this test process, removed when it exits so that
// test runs do not pile up files in the temporary folder. A forked child
// leaves them to its parent; CLIPMILL_KEEP_TEST_FILES keeps them for a look.
class ScratchFolders {
 public:
  void add(const fs::path& p) { folders_.push_back(p); }
  ~ScratchFolders() {
    if (::getpid() != owner_ || std::getenv("CLIPMILL_KEEP_TEST_FILES")) return;
    std::error_code ec;
    for (const auto& p : folders_) fs::remove_all(p, ec);
  }

 private:
  const pid_t owner_ = ::getpid();
  std::vector<fs::path> folders_;
};

}  // namespace

fs::path temp_dir(const std::string& tag) {
  static ScratchFolders scratch;
  std::random_device rd;
  for (;;) {
    fs::path p = fs::temp_directory_path() /
                 ("clipmill-" + tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(rd() % 1000000));
    if (fs::create_directory(p)) {
      scratch.add(p);
      return p;
    }
  }
}

fs::path corpus_dir() {
  const char* src = std::getenv("CLIPMILL_SOURCE_DIR");
  fs::path base = src ? fs::path(src) : fs::current_path();
  fs::path p = base.parent_path() / "shared" / "corpus";
  return fs::is_directory(p) ? p : fs::path();
}

const StreamInfo* ProbeInfo::first(const std::string& type) const {
  for (const auto& s : streams)
    if (s.codec_type == type) return &s;
  return nullptr;
}

static double to_double(const std::string& v) {
  if (v.empty() || v == "N/A") return 0;
  return std::strtod(v.c_str(), nullptr);
}

ProbeInfo probe(const fs::path& file) {
  ProbeInfo info;
  std::string out;
  // One "key=value" per line; "[STREAM]" opens a stream section.
  std::string cmd = "ffprobe -v error -show_entries "
                    "format=format_name,duration:stream=codec_type,codec_name,width,height,"
                    "r_frame_rate,sample_rate,channels,start_time,duration,profile,level,pix_fmt,"
                    "codec_tag_string,field_order "
                    "-of default=nw=0:nk=0 " + quote(file.string());
  if (run(cmd, &out) != 0) return info;
  info.ok = true;
  std::istringstream in(out);
  std::string line;
  StreamInfo* cur = nullptr;
  bool in_format = false;
  while (std::getline(in, line)) {
    if (line == "[STREAM]") {
      info.streams.emplace_back();
      cur = &info.streams.back();
      continue;
    }
    if (line == "[/STREAM]") { cur = nullptr; continue; }
    if (line == "[FORMAT]") { in_format = true; continue; }
    if (line == "[/FORMAT]") { in_format = false; continue; }
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string k = line.substr(0, eq), v = line.substr(eq + 1);
    if (in_format) {
      if (k == "format_name") info.format_name = v;
      else if (k == "duration") info.duration = to_double(v);
    } else if (cur) {
      if (k == "codec_type") cur->codec_type = v;
      else if (k == "codec_name") cur->codec_name = v;
      else if (k == "width") cur->width = std::atoi(v.c_str());
      else if (k == "height") cur->height = std::atoi(v.c_str());
      else if (k == "r_frame_rate") cur->frame_rate = v;
      else if (k == "sample_rate") cur->sample_rate = std::atoi(v.c_str());
      else if (k == "channels") cur->channels = std::atoi(v.c_str());
      else if (k == "start_time") cur->start_time = to_double(v);
      else if (k == "duration") cur->duration = to_double(v);
      else if (k == "profile") cur->profile = v;
      else if (k == "level") cur->level = std::atoi(v.c_str());
      else if (k == "pix_fmt") cur->pix_fmt = v;
      else if (k == "codec_tag_string") cur->codec_tag = v;
      else if (k == "field_order") cur->field_order = v;
    }
  }
  return info;
}

bool decodes_fully(const fs::path& file, std::string* errors) {
  std::string out;
  int rc = run("ffmpeg -nostdin -hide_banner -v error -i " + quote(file.string()) + " -f null -", &out, true);
  if (errors) *errors = out;
  return rc == 0 && out.empty();
}

int count_video_frames(const fs::path& file) {
  std::string out;
  int rc = run("ffprobe -v error -select_streams v:0 -count_frames -show_entries stream=nb_read_frames "
               "-of default=nw=1:nk=1 " + quote(file.string()), &out);
  if (rc != 0 || out.empty()) return -1;
  return std::atoi(out.c_str());
}

}  // namespace testsupport

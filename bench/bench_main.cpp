// SPDX-License-Identifier: GPL-3.0-or-later
// clipmill-bench: converts the same short 1080i camcorder-like clip into
// every output format, once with the engine (through clipmill-convert) and
// once with the ffmpeg tool doing the same work at its default threading,
// each as a child process, and prints the time ratios engine/ffmpeg and the
// peak memory of each side. With --batch it converts 8 copies of the clip
// into one format, the engine with K files at once for K = 1 .. cores, the
// tool one file after another. --copy and --modern measure the formats
// added after the designed ones (modern.h).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/child_process.h"
#include "bench/modern.h"
#include "bench/work_items.h"

namespace {

namespace fs = std::filesystem;

struct Options {
  int repeat = 3;
  double seconds = 5;
  fs::path convert_tool;
  fs::path clip;
  bool batch = false;
  int clips = 8;
  std::string format = "wmv";
  bool copy = false;       // --copy: MP4 copy of a large recording
  bool modern = false;     // --modern: the H.264 and HEVC presets (with --batch: also eight files)
  bool deinterlace = false;  // --deinterlace: every designed preset, deinterlacing on both sides
  int megabytes = 1024;    // size of the recording --copy makes
};

void usage() {
  std::fputs("usage: clipmill-bench [--repeat N] [--seconds S] [--convert PATH-TO-clipmill-convert] [--clip FILE]\n"
             "                      [--batch [--clips N] [--format F]] [--copy [--megabytes N]] [--modern [--batch]]\n"
             "                      [--deinterlace]\n",
             stderr);
}

bool parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--deinterlace") {
      o.deinterlace = true;
      continue;
    }
    if (a == "--batch" || a == "--copy" || a == "--modern") {
      (a == "--batch" ? o.batch : a == "--copy" ? o.copy : o.modern) = true;
      continue;
    }
    if (i + 1 >= argc) return false;
    const std::string v = argv[++i];
    if (a == "--repeat") o.repeat = std::max(1, std::atoi(v.c_str()));
    else if (a == "--seconds") o.seconds = std::max(0.5, std::strtod(v.c_str(), nullptr));
    else if (a == "--convert") o.convert_tool = v;
    else if (a == "--clip") o.clip = v;
    else if (a == "--clips") o.clips = std::max(1, std::atoi(v.c_str()));
    else if (a == "--format") o.format = v;
    else if (a == "--megabytes") o.megabytes = std::max(1, std::atoi(v.c_str()));
    else return false;
  }
  return true;
}

// clipmill-convert of the same build: ../batch/ beside this program.
fs::path default_convert_tool() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return self.parent_path().parent_path() / "batch" / "clipmill-convert";
}

// 1080i 29.97 H.264 + AC-3 48 kHz stereo in 192-byte transport packets.
bool make_clip(const fs::path& target, double seconds) {
  const std::string t = std::to_string(seconds);
  return bench::run_child({"ffmpeg", "-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i",
                           "testsrc2=size=1920x1080:rate=30000/1001", "-f", "lavfi", "-i",
                           "sine=frequency=440:sample_rate=48000", "-t", t, "-ac", "2", "-c:v", "libx264",
                           "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-flags", "+ildct+ilme", "-x264opts",
                           "tff=1", "-b:v", "8M", "-c:a", "ac3", "-b:a", "192k", "-f", "mpegts",
                           "-mpegts_m2ts_mode", "1", target.string()})
             .exit_status == 0;
}

struct Best {
  double seconds = 1e100, cpu = 1e100;
  long peak = 0;
  bool ok = true;
  void add(const bench::ChildRun& r) {
    ok = ok && r.exit_status == 0;
    seconds = std::min(seconds, r.seconds);
    cpu = std::min(cpu, r.cpu_seconds);
    peak = std::max(peak, r.peak_kilobytes);
  }
};

// On a machine whose speed drifts from one minute to the next, the ratio of
// two runs made back to back is steadier than the ratio of two bests.
double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int run_formats(const Options& o, const fs::path& clip, const fs::path& work) {
  std::printf("clip: %s, best of %d runs per side; times are wall and CPU (user+system) seconds; "
              "paired: the median of each round's ratio\n",
              clip.c_str(), o.repeat);
  std::printf("%-20s %-9s %-6s | %7s %7s %6s %6s | %7s %7s %6s %6s | %8s %8s\n", "format", "size", "fps",
              "eng s", "ff s", "ratio", "paired", "eng cpu", "ff cpu", "ratio", "paired", "eng MB", "ff MB");
  int status = 0;
  for (const auto& item : o.deinterlace ? bench::deinterlacing_items() : bench::work_items()) {
    Best engine, tool;
    std::vector<double> paired, paired_cpu;  // engine/tool of each round: the two ran back to back
    for (int r = 0; r < o.repeat; ++r) {
      const fs::path out = work / "out";
      fs::create_directories(out);
      const bench::ChildRun e = bench::run_child(bench::engine_command(o.convert_tool, item, {clip}, out));
      const bench::ChildRun t = bench::run_child(bench::ffmpeg_command(item, clip, out));
      engine.add(e);
      tool.add(t);
      if (t.seconds > 0) paired.push_back(e.seconds / t.seconds);
      if (t.cpu_seconds > 0) paired_cpu.push_back(e.cpu_seconds / t.cpu_seconds);
      fs::remove_all(out);
    }
    if (!engine.ok || !tool.ok) status = 1;
    std::printf("%-20s %-9s %-6s | %7.3f %7.3f %6.3f %6.3f | %7.3f %7.3f %6.3f %6.3f | %8.1f %8.1f%s%s%s\n",
                (item.preset.empty() ? item.format : item.preset).c_str(), item.size.c_str(), item.fps.c_str(),
                engine.seconds, tool.seconds, engine.seconds / tool.seconds, median(paired), engine.cpu, tool.cpu,
                engine.cpu / tool.cpu, median(paired_cpu),
                engine.peak / 1024.0, tool.peak / 1024.0,
                engine.ok ? "" : "  [engine failed]", tool.ok ? "" : "  [ffmpeg failed]",
                item.note.empty() ? "" : ("  (" + item.note + ")").c_str());
    std::fflush(stdout);
  }
  return status;
}

// The same clip `o.clips` times over, one format: the tool one file after
// another against the engine with K files at once.
int run_batch(const Options& o, const fs::path& clip, const fs::path& work) {
  const auto items = bench::work_items();
  const auto item = std::find_if(items.begin(), items.end(), [&](const auto& w) { return w.format == o.format; });
  if (item == items.end()) {
    std::fprintf(stderr, "unknown format %s\n", o.format.c_str());
    return 2;
  }
  std::vector<fs::path> clips;
  for (int i = 0; i < o.clips; ++i) {
    clips.push_back(work / ("clip" + std::to_string(i) + ".m2ts"));
    fs::copy_file(clip, clips.back(), fs::copy_options::overwrite_existing);
  }
  const fs::path out = work / "out";
  Best tool;
  for (int r = 0; r < o.repeat; ++r) {
    fs::create_directories(out);
    bench::ChildRun total;
    total.exit_status = 0;
    for (const auto& c : clips) {
      const bench::ChildRun one = bench::run_child(bench::ffmpeg_command(*item, c, out));
      total.seconds += one.seconds;
      total.cpu_seconds += one.cpu_seconds;
      total.peak_kilobytes = std::max(total.peak_kilobytes, one.peak_kilobytes);
      if (one.exit_status != 0) total.exit_status = one.exit_status;
    }
    tool.add(total);
    fs::remove_all(out);
  }
  const int cores = std::max(1u, std::thread::hardware_concurrency());
  std::printf("%d clips of %s into %s %s, best of %d; the tool converts one after another at its default "
              "threading\n", o.clips, clip.filename().c_str(), item->format.c_str(), item->size.c_str(), o.repeat);
  std::printf("tool: %.3f s wall, %.3f s cpu, %.1f MB peak per file\n", tool.seconds, tool.cpu, tool.peak / 1024.0);
  std::printf("%-4s | %8s %6s | %8s %6s | %8s %9s\n", "K", "eng s", "ratio", "eng cpu", "ratio", "eng MB",
              "MB / job");
  int status = tool.ok ? 0 : 1;
  for (int k = 1; k <= cores; ++k) {
    Best engine;
    for (int r = 0; r < o.repeat; ++r) {
      fs::create_directories(out);
      engine.add(bench::run_child(bench::engine_command(o.convert_tool, *item, clips, out, k)));
      fs::remove_all(out);
    }
    if (!engine.ok) status = 1;
    std::printf("%-4d | %8.3f %6.3f | %8.3f %6.3f | %8.1f %9.1f%s\n", k, engine.seconds,
                engine.seconds / tool.seconds, engine.cpu, engine.cpu / tool.cpu, engine.peak / 1024.0,
                engine.peak / 1024.0 / k, engine.ok ? "" : "  [engine failed]");
    std::fflush(stdout);
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, o)) {
    usage();
    return 2;
  }
  if (o.convert_tool.empty()) o.convert_tool = default_convert_tool();
  if (!fs::exists(o.convert_tool)) {
    std::fprintf(stderr, "clipmill-convert not found at %s (use --convert)\n", o.convert_tool.c_str());
    return 2;
  }
  const fs::path work = fs::temp_directory_path() / ("clipmill-bench-" + std::to_string(::getpid()));
  fs::create_directories(work);
  if (o.copy || o.modern) {
    const bench::ModernOptions m{o.repeat, o.seconds, o.megabytes, o.convert_tool, o.clip, o.batch};
    const int status = o.copy ? bench::run_copy(m, work) : bench::run_modern(m, work);
    fs::remove_all(work);
    return status;
  }
  fs::path clip = o.clip;
  if (clip.empty()) {
    clip = work / "clip.m2ts";
    if (!make_clip(clip, o.seconds)) {
      std::fputs("could not make the test clip with the ffmpeg tool\n", stderr);
      fs::remove_all(work);
      return 1;
    }
  }

  const int status = o.batch ? run_batch(o, clip, work) : run_formats(o, clip, work);
  fs::remove_all(work);
  return status;
}

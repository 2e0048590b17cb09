// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/modern.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/child_process.h"

namespace bench {

namespace fs = std::filesystem;

namespace {

std::string quote(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// What a shell command prints (stdout and stderr).
std::string capture(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
    std::array<char, 4096> buffer{};
    for (size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) text.append(buffer.data(), n);
    pclose(pipe);
  }
  return text;
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Side {
  double best = 1e100, cpu = 1e100;
  long peak_kb = 0;
  bool ok = true;
  void add(const ChildRun& r) {
    ok = ok && r.exit_status == 0;
    best = std::min(best, r.seconds);
    cpu = std::min(cpu, r.cpu_seconds);
    peak_kb = std::max(peak_kb, r.peak_kilobytes);
  }
};

// Runs the engine's and the tool's command back to back `repeat` times,
// each into a fresh folder; the median of each round's ratio beside the bests.
struct Pair {
  Side engine, tool;
  std::vector<double> ratios;
};
Pair run_pair(int repeat, const fs::path& out, const std::vector<std::string>& engine_cmd,
              const std::vector<std::string>& tool_cmd) {
  Pair p;
  for (int r = 0; r < repeat; ++r) {
    fs::remove_all(out);
    fs::create_directories(out);
    const ChildRun e = run_child(engine_cmd);
    fs::remove_all(out);
    fs::create_directories(out);
    const ChildRun t = run_child(tool_cmd);
    p.engine.add(e);
    p.tool.add(t);
    if (t.seconds > 0) p.ratios.push_back(e.seconds / t.seconds);
  }
  return p;
}

void print_pair(const char* what, const Pair& p) {
  std::printf("%-22s | %8.2f %8.2f %6.3f %6.3f | %8.2f %8.2f | %7.1f %7.1f%s\n", what, p.engine.best, p.tool.best,
              p.engine.best / p.tool.best, median(p.ratios), p.engine.cpu, p.tool.cpu, p.engine.peak_kb / 1024.0,
              p.tool.peak_kb / 1024.0, p.engine.ok && p.tool.ok ? "" : "  [a side failed]");
  std::fflush(stdout);
}

const char* kPairHeader = "%-22s | %8s %8s %6s %6s | %8s %8s | %7s %7s\n";

// 1080i camcorder-like source: 25 H.264 pictures a second, each of two
// fields that are moments of their own, + AC-3; at `megabits` a second.
bool make_interlaced_clip(const fs::path& target, double seconds, int megabits) {
  const std::string rate = std::to_string(megabits) + "M";
  return run_child({"ffmpeg", "-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i",
                    "testsrc2=size=1920x1080:rate=50,tinterlace=interleave_top,setfield=tff", "-f", "lavfi", "-i",
                    "sine=frequency=440:sample_rate=48000", "-t", std::to_string(seconds), "-ac", "2", "-c:v",
                    "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-flags", "+ildct+ilme", "-x264opts",
                    "tff=1", "-b:v", rate, "-maxrate", rate, "-bufsize", rate, "-c:a", "ac3", "-b:a", "192k", "-f",
                    "mpegts", "-mpegts_m2ts_mode", "1", target.string()})
             .exit_status == 0;
}

// The SSIM ("All", dB) of `file` against the source deinterlaced per field
// and scaled as the presets scale, both timelines from zero.
double ssim_db(const fs::path& file, const fs::path& source) {
  const std::string out = capture(
      "ffmpeg -nostdin -i " + quote(file.string()) + " -i " + quote(source.string()) +
      " -lavfi \"[1:v]bwdif=mode=send_field:parity=auto:deint=interlaced,scale=1920:1080:flags=bicubic,"
      "setpts=PTS-STARTPTS[ref];[0:v]setpts=PTS-STARTPTS[out];[out][ref]ssim\" -f null -");
  const auto at = out.rfind("All:");
  const auto open = out.find('(', at);
  return at == std::string::npos || open == std::string::npos ? 0.0 : std::atof(out.c_str() + open + 1);
}

double megabytes(const fs::path& file) {
  std::error_code ec;
  const auto size = fs::file_size(file, ec);
  return ec ? 0.0 : static_cast<double>(size) / 1e6;
}

struct Encoding {
  const char* preset;  // the engine's preset
  std::vector<std::string> tool_video;  // the tool's video options for the same work
};

// The presets' work as the ffmpeg tool does it: the same deinterlacing (one
// picture per field) and scaling, the same encoder settings.
std::vector<Encoding> encodings() {
  const std::string filter = "bwdif=mode=send_field:parity=auto:deint=interlaced,scale=1920:1080:flags=bicubic";
  return {
      {"H.264 1080p (any device)",
       {"-vf", filter, "-c:v", "libx264", "-preset", "fast", "-crf", "20", "-maxrate", "16000k", "-bufsize",
        "32000k", "-profile:v", "high", "-level", "4.2", "-pix_fmt", "yuv420p", "-b:a", "192k"}},
      {"HEVC 1080p (archive)",
       {"-vf", filter, "-c:v", "libx265", "-preset", "fast", "-crf", "24", "-maxrate", "12000k", "-bufsize",
        "24000k", "-profile:v", "main", "-tag:v", "hvc1", "-pix_fmt", "yuv420p", "-x265-params", "log-level=error",
        "-b:a", "160k"}},
  };
}

std::vector<std::string> tool_command(const Encoding& e, const fs::path& input, const fs::path& output) {
  std::vector<std::string> cmd = {"ffmpeg", "-nostdin", "-y", "-v", "error", "-i", input.string(), "-map", "0:v:0",
                                  "-map", "0:a:0?"};
  cmd.insert(cmd.end(), e.tool_video.begin(), e.tool_video.end());
  cmd.insert(cmd.end(), {"-c:a", "aac", "-ar", "48000", "-ac", "2", "-movflags", "+faststart", output.string()});
  return cmd;
}

std::vector<std::string> engine_command(const ModernOptions& o, const char* preset, const std::vector<fs::path>& inputs,
                                        const fs::path& out, const char* jobs) {
  std::vector<std::string> cmd = {o.convert_tool.string(), "--quiet", "--preset", preset, "--jobs", jobs,
                                  "--no-join", "--no-recording-date"};
  for (const auto& input : inputs) cmd.push_back(input.string());
  cmd.push_back(out.string());
  return cmd;
}

}  // namespace

int run_copy(const ModernOptions& o, const fs::path& work) {
  fs::path recording = o.clip;
  if (recording.empty()) {
    // A 20 s segment at AVCHD's highest rate, looped into one continuous
    // recording of the asked size.
    const fs::path segment = work / "segment.m2ts";
    recording = work / "recording.m2ts";
    if (!make_interlaced_clip(segment, 20, 24)) return 1;
    const int loops = std::max(0, static_cast<int>(std::ceil(o.copy_megabytes / megabytes(segment))) - 1);
    if (run_child({"ffmpeg", "-nostdin", "-y", "-v", "error", "-stream_loop", std::to_string(loops), "-i",
                   segment.string(), "-c", "copy", "-f", "mpegts", "-mpegts_m2ts_mode", "1", recording.string()})
            .exit_status != 0)
      return 1;
    fs::remove(segment);
  }
  const double size = megabytes(recording);
  // Warm cache: read once, then time the reading alone.
  Side reading;
  for (int r = 0; r <= o.repeat; ++r) {
    const ChildRun cat = run_child({"sh", "-c", "cat " + quote(recording.string()) + " >/dev/null"});
    if (r > 0) reading.add(cat);
  }
  const fs::path out = work / "out";
  const Pair p = run_pair(o.repeat, out,
                          {o.convert_tool.string(), "--quiet", "--format", "MP4 copy", "--audio-bitrate", "192",
                           "--no-recording-date", recording.string(), out.string()},
                          {"ffmpeg", "-nostdin", "-y", "-v", "error", "-i", recording.string(), "-map", "0:v", "-map",
                           "0:a", "-c:v", "copy", "-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart",
                           (out / "tool.mp4").string()});
  fs::remove_all(out);
  std::printf("MP4 copy of %s (%.0f MB), warm page cache, best of %d; paired: median of the rounds' ratios\n",
              recording.c_str(), size, o.repeat);
  std::printf("reading (cat): %.2f s, %.0f MB/s\n", reading.best, size / reading.best);
  std::printf(kPairHeader, "work", "eng s", "ff s", "ratio", "paired", "eng cpu", "ff cpu", "eng MB", "ff MB");
  print_pair("MP4 copy", p);
  std::printf("throughput: engine %.0f MB/s, tool %.0f MB/s\n", size / p.engine.best, size / p.tool.best);
  return p.engine.ok && p.tool.ok ? 0 : 1;
}

int run_modern(const ModernOptions& o, const fs::path& work) {
  fs::path clip = o.clip;
  if (clip.empty()) {
    clip = work / "clip.m2ts";
    if (!make_interlaced_clip(clip, o.seconds, 16)) return 1;
  }
  std::printf("clip: %s; the tool deinterlaces and scales with the same filters and encodes with the same "
              "settings; best of %d, paired: median of the rounds' ratios\n",
              clip.c_str(), o.repeat);
  std::printf(kPairHeader, "preset", "eng s", "ff s", "ratio", "paired", "eng cpu", "ff cpu", "eng MB", "ff MB");
  int status = 0;
  const fs::path out = work / "out";
  const fs::path kept = work / "kept";
  fs::create_directories(kept);
  for (const Encoding& e : encodings()) {
    const Pair p = run_pair(o.repeat, out, engine_command(o, e.preset, {clip}, out, "1"),
                            tool_command(e, clip, out / "tool.mp4"));
    print_pair(e.preset, p);
    if (!p.engine.ok || !p.tool.ok) status = 1;
    // Quality and size of one more result of each side.
    fs::remove_all(out);
    fs::create_directories(out);
    run_child(engine_command(o, e.preset, {clip}, out, "1"));
    run_child(tool_command(e, clip, kept / "tool.mp4"));
    const fs::path engine_file = out / (clip.stem().string() + ".mp4");
    const double engine_ssim = ssim_db(engine_file, clip), tool_ssim = ssim_db(kept / "tool.mp4", clip);
    const double engine_mb = megabytes(engine_file), tool_mb = megabytes(kept / "tool.mp4");
    std::printf("%-22s   SSIM All %.3f dB vs %.3f dB (%+.3f), size %.2f MB vs %.2f MB (%+.1f %%)\n", "",
                engine_ssim, tool_ssim, engine_ssim - tool_ssim, engine_mb, tool_mb,
                tool_mb > 0 ? (engine_mb / tool_mb - 1) * 100 : 0.0);
    std::fflush(stdout);
  }
  fs::remove_all(out);

  if (o.batch) {
    std::vector<fs::path> clips;
    for (int i = 0; i < 8; ++i) {
      clips.push_back(work / ("clip" + std::to_string(i) + ".m2ts"));
      fs::copy_file(clip, clips.back(), fs::copy_options::overwrite_existing);
    }
    std::printf("8 files, the engine with \"Auto\" files at once, the tool one after another\n");
    std::printf(kPairHeader, "preset", "eng s", "ff s", "ratio", "paired", "eng cpu", "ff cpu", "eng MB", "ff MB");
    for (const Encoding& e : encodings()) {
      Pair p;
      for (int r = 0; r < o.repeat; ++r) {
        fs::remove_all(out);
        fs::create_directories(out);
        const ChildRun engine = run_child(engine_command(o, e.preset, clips, out, "auto"));
        fs::remove_all(out);
        fs::create_directories(out);
        ChildRun tool;
        tool.exit_status = 0;
        for (const auto& c : clips) {
          const ChildRun one = run_child(tool_command(e, c, out / (c.stem().string() + ".mp4")));
          tool.seconds += one.seconds;
          tool.cpu_seconds += one.cpu_seconds;
          tool.peak_kilobytes = std::max(tool.peak_kilobytes, one.peak_kilobytes);
          if (one.exit_status != 0) tool.exit_status = one.exit_status;
        }
        p.engine.add(engine);
        p.tool.add(tool);
        if (tool.seconds > 0) p.ratios.push_back(engine.seconds / tool.seconds);
      }
      print_pair(e.preset, p);
      if (!p.engine.ok || !p.tool.ok) status = 1;
    }
    fs::remove_all(out);
  }
  return status;
}

}  // namespace bench

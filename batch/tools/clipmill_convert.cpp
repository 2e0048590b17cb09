// SPDX-License-Identifier: GPL-3.0-or-later
// clipmill-convert: converts one file through the same steps as the batch
// worker (format table, output name, engine parameters, conversion job), for
// developers, tests and the benchmark. Option texts are the ones the
// window's lists show.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "batch/batch.h"
#include "batch/format_table.h"
#include "batch/memory_policy.h"
#include "batch/tools/tool_window.h"
#include "engine/signals.h"
#include "presets/conversion_settings.h"
#include "presets/option_tables.h"
#include "probe/spanned.h"

namespace {

namespace fs = std::filesystem;

constexpr int kUsageStatus = 2;

// The options as the man page (doc/clipmill-convert.1) describes them.
constexpr const char* kHelp =
    "usage: clipmill-convert --list-presets\n"
    "       clipmill-convert [--preset NAME] [--format F] [--size WxH] [--fps R] [--video-bitrate KBPS]\n"
    "                        [--audio-bitrate KBPS] [--aspect 4/3|16/9] [--jobs N|auto] [--quiet]\n"
    "                        [--no-join] [--no-deinterlace] [--no-recording-date]\n"
    "                        [--cancel-after SECONDS] INPUT... OUTPUT_DIR\n"
    "\n"
    "  --list-presets         print the names of the eighteen presets, one per line\n"
    "  --help                 print this summary\n"
    "  --preset NAME          every choice from that preset (\"DVD Pal\", \"3gp format\", ...);\n"
    "                         options given after it replace its values\n"
    "  --format F             Avi, FLV, H.263, MP4, MPG1, MPG2, WMV, \"MP4 H.264\", \"MP4 HEVC\",\n"
    "                         \"MP4 copy\" or \"MKV copy\" (the copies need no picture options)\n"
    "  --size WxH|source      picture size in pixels, or the source's\n"
    "  --fps R|source         frame rate (25, 29.97, ...), or the source's (one picture per field\n"
    "                         from an interlaced source that is deinterlaced)\n"
    "  --video-bitrate KBPS   video bit rate in kbit/s\n"
    "  --audio-bitrate KBPS   audio bit rate in kbit/s\n"
    "  --aspect 4/3|16/9      display aspect of the picture\n"
    "  --jobs N|auto          files converted at once (default 1)\n"
    "  --quiet                keep the libraries' own messages off standard error\n"
    "  --no-join              convert the parts of a spanned recording as separate files\n"
    "  --no-deinterlace       leave interlaced pictures as they are\n"
    "  --no-recording-date    give outputs the time of conversion, not of recording\n"
    "  --cancel-after SECONDS cancel the batch that long after its first file started\n"
    "\n"
    "One line per file on standard output: output=\"PATH\" result=CODE seconds=S frames=N\n"
    "outcome=converted|failed|cancelled reason=\"TEXT\" notes=\"TEXT\" parts=N input=\"PATH\"\n"
    "(the first part of a joined recording; quoted texts with C escapes for \", \\ and control\n"
    "bytes). On a terminal, a progress line on standard error.\n"
    "Inputs that are consecutive parts of one recording (00000.MTS, 00001.MTS, ... whose\n"
    "timestamps continue), in any order, become one output.\n"
    "SIGINT, SIGTERM and SIGHUP cancel: running files finish and report, files not begun report\n"
    "outcome=not-started; a second signal removes the unfinished files and ends at once.\n"
    "exit status: 0 every file converted, 1 one failed, 2 usage error, 3 one cancelled or not begun\n";

void print_usage() { std::fputs(kHelp, stderr); }

struct Arguments {
  presets::ControlTexts texts;
  bool have_format = false, have_size = false, have_fps = false, have_video = false, have_audio = false,
       have_aspect = false;
  double cancel_after = -1;
  int jobs = 1;  // 0: auto
  bool quiet = false;
  bool join = true;
  std::vector<std::string> inputs;
  std::string output_dir;
};

bool apply_preset(std::string_view name, Arguments& args) {
  for (const auto& preset : presets::preset_table()) {
    if (name != preset.display_name) continue;
    args.texts.format = preset.format;
    args.texts.size = preset.size;
    args.texts.aspect = preset.aspect;
    args.texts.fps = preset.fps;
    args.texts.video_bitrate = preset.video_bitrate;
    args.texts.audio_bitrate = preset.audio_bitrate;
    args.have_format = args.have_size = args.have_fps = args.have_video = args.have_audio = args.have_aspect = true;
    return true;
  }
  return false;
}

bool all_digits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

bool valid_size(std::string_view text) {
  const size_t x = text.find('x');
  return x != std::string_view::npos && all_digits(text.substr(0, x)) && all_digits(text.substr(x + 1)) &&
         presets::read_leading_integer(text.substr(0, x)) > 0 && presets::read_leading_integer(text.substr(x + 1)) > 0;
}

// "source" in any case: the source's size or rate, as the lists' "Source".
bool is_source(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == "source";
}

// Whether the format copies the source's picture, so that size, aspect,
// rate and video bit rate mean nothing to it (MKV copy: its sound too).
engine::StreamCopy copy_of(const std::string& format) {
  std::string lower(format);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const batch::FormatRow* row = batch::format_row(lower);
  return row ? row->copy : engine::StreamCopy::none;
}

bool positive_number(std::string_view text) {
  char* end = nullptr;
  const std::string s(text);
  const double value = std::strtod(s.c_str(), &end);
  return !s.empty() && end && *end == '\0' && value > 0;
}

// A choice as the window's lists show it: taken when `valid` accepts it.
bool set_text(std::string_view value, std::string& text, bool& have, bool valid) {
  if (!valid) return false;
  text = value;
  have = true;
  return true;
}

// One command-line option: its name, whether a value follows it, and what
// it does with that value (false: malformed).
struct Option {
  std::string_view name;
  bool takes_value;
  bool (*apply)(std::string_view value, Arguments& args);
};

constexpr Option kOptions[] = {
    {"--quiet", false, [](std::string_view, Arguments& a) { a.quiet = true; return true; }},
    {"--no-join", false, [](std::string_view, Arguments& a) { a.join = false; return true; }},
    {"--no-deinterlace", false, [](std::string_view, Arguments& a) { a.texts.deinterlace = false; return true; }},
    {"--no-recording-date", false,
     [](std::string_view, Arguments& a) { a.texts.keep_recording_date = false; return true; }},
    {"--preset", true, [](std::string_view v, Arguments& a) { return apply_preset(v, a); }},
    {"--format", true,
     [](std::string_view v, Arguments& a) {
       a.texts.format = v;
       a.have_format = !v.empty();
       return true;
     }},
    {"--size", true,
     [](std::string_view v, Arguments& a) {
       return set_text(is_source(v) ? presets::kSourceEntry : v, a.texts.size, a.have_size,
                       valid_size(v) || is_source(v));
     }},
    {"--fps", true,
     [](std::string_view v, Arguments& a) {
       return set_text(is_source(v) ? presets::kSourceEntry : v, a.texts.fps, a.have_fps,
                       positive_number(v) || is_source(v));
     }},
    {"--video-bitrate", true,
     [](std::string_view v, Arguments& a) { return set_text(v, a.texts.video_bitrate, a.have_video, all_digits(v)); }},
    {"--audio-bitrate", true,
     [](std::string_view v, Arguments& a) {
       return set_text(v, a.texts.audio_bitrate, a.have_audio, positive_number(v));
     }},
    {"--aspect", true,
     [](std::string_view v, Arguments& a) {
       return set_text(v, a.texts.aspect, a.have_aspect, v == "4/3" || v == "16/9");
     }},
    {"--jobs", true,
     [](std::string_view v, Arguments& a) {
       if (v == "auto") {
         a.jobs = 0;
         return true;
       }
       if (!all_digits(v) || presets::read_leading_integer(v) <= 0 || v.size() >= 4) return false;
       a.jobs = static_cast<int>(presets::read_leading_integer(v));
       return true;
     }},
    {"--cancel-after", true,
     [](std::string_view v, Arguments& a) {
       if (!positive_number(v) && v != "0") return false;
       a.cancel_after = std::strtod(std::string(v).c_str(), nullptr);
       return true;
     }},
};

// Reads the command line; false on anything malformed or missing.
bool parse(int argc, char** argv, Arguments& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.rfind("--", 0) != 0) {
      args.inputs.emplace_back(arg);
      continue;
    }
    const Option* option = nullptr;
    for (const Option& o : kOptions)
      if (o.name == arg) option = &o;
    if (!option || (option->takes_value && i + 1 >= argc)) return false;
    if (!option->apply(option->takes_value ? std::string_view(argv[++i]) : std::string_view(), args)) return false;
  }
  // The last word is the output folder; every one before it is an input.
  if (args.inputs.size() < 2) return false;
  args.output_dir = args.inputs.back();
  args.inputs.pop_back();
  const engine::StreamCopy copy = copy_of(args.texts.format);
  const bool picture = copy != engine::StreamCopy::none ||
                       (args.have_size && args.have_fps && args.have_video && args.have_aspect);
  const bool sound = copy == engine::StreamCopy::every_stream || args.have_audio;
  return args.have_format && picture && sound;
}

// Cancels the batch `seconds` after its first job started, as Cancel does:
// counted from that job's first progress, not from the batch's start (on a
// busy machine reading a file's recording date alone can take half a second).
class CancelTimer {
 public:
  CancelTimer(double seconds, const tool::ToolWindow& window, batch::Batch& batch) {
    if (seconds < 0) return;
    thread_ = std::jthread([this, seconds, &window, &batch] {
      while (!done_ && !window.started()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
      while (!done_ && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      if (!done_) batch.cancel();
    });
  }
  ~CancelTimer() { done_ = true; }
  CancelTimer(const CancelTimer&) = delete;
  CancelTimer& operator=(const CancelTimer&) = delete;

 private:
  std::atomic<bool> done_{false};
  std::jthread thread_;  // declared last: joined before done_ goes
};

// Sent by the program to its own watcher when the batch is over; blocked
// with the stop signals.
constexpr int kWatchEnd = SIGUSR1;

// SIGINT, SIGTERM and SIGHUP, taken by the watcher alone: every other thread
// has them blocked.
sigset_t stop_signals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

// The first stop signal cancels the batch as Cancel does: the running jobs
// finish their files and report, and no further recording starts. A second
// one takes back the files not yet finished and ends the process at once.
class SignalWatch {
 public:
  SignalWatch(tool::ToolWindow& window, batch::Batch& batch) {
    thread_ = std::jthread([this, &window, &batch] {
      sigset_t set = stop_signals();
      sigaddset(&set, kWatchEnd);
      int seen = 0;
      for (;;) {
        const int number = sigwaitinfo(&set, nullptr);
        if (number < 0) continue;
        if (number == kWatchEnd) {
          // Only the program's own wake-up ends the watch.
          if (ending_) return;
          continue;
        }
        if (++seen == 1) {
          batch.cancel();
        } else {
          window.abandon(engine::unfinished_outputs());
        }
      }
    });
  }
  // Wakes the watcher at once: the program ends as soon as the batch has.
  ~SignalWatch() {
    ending_ = true;
    pthread_kill(thread_.native_handle(), kWatchEnd);
  }
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

 private:
  std::atomic<bool> ending_{false};
  std::jthread thread_;  // declared last: joined before ending_ goes
};

// Blocks the stop signals before anything of the program runs, the
// libraries' own initialisers included (they take a good part of a second
// under the sanitizers): a signal that arrives while the program is still
// starting then waits for the watcher, which cancels the batch, so even
// then every row gets its line. Every thread started later inherits the
// mask.
void block_stop_signals(int, char**, char**) {
  sigset_t stops = stop_signals();
  sigaddset(&stops, kWatchEnd);
  sigprocmask(SIG_BLOCK, &stops, nullptr);
}

}  // namespace

// Run by the loader before the initialisers of the shared libraries.
__attribute__((section(".preinit_array"), used)) void (*const clipmill_block_stop_signals)(int, char**, char**) =
    block_stop_signals;

int main(int argc, char** argv) {
  batch::set_memory_policy();
  if (argc == 2 && std::string_view(argv[1]) == "--list-presets") {
    for (const auto& preset : presets::preset_table()) std::printf("%s\n", preset.display_name);
    return 0;
  }
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    std::fputs(kHelp, stdout);
    return 0;
  }
  Arguments args;
  std::error_code ec;
  if (!parse(argc, argv, args) || !fs::is_directory(args.output_dir, ec)) {
    print_usage();
    return kUsageStatus;
  }
  engine::set_up_process(args.quiet);
  args.texts.save_beside_source = false;
  args.texts.output_folder = args.output_dir;
  const presets::ConversionSettings settings = presets::parse_conversion_settings(args.texts);

  // Parts join as in the window's list: by folder and name, whatever order
  // the command line gives them in.
  if (args.join)
    std::stable_sort(args.inputs.begin(), args.inputs.end(), [](const std::string& a, const std::string& b) {
      const fs::path pa(a), pb(b);
      return std::pair(pa.parent_path(), pa.filename()) < std::pair(pb.parent_path(), pb.filename());
    });
  std::vector<std::vector<std::string>> recordings;
  probe::group_recordings(args.inputs, args.join,
                          [&](std::vector<std::string> parts) { recordings.push_back(std::move(parts)); });
  tool::ToolWindow window(std::move(recordings), settings, args.jobs, ::isatty(STDERR_FILENO) == 1);
  batch::Batch batch;
  {
    SignalWatch watch(window, batch);
    {
      CancelTimer timer(args.cancel_after, window, batch);
      batch.run(window);
    }
    if (batch.cancelled()) window.report_not_started();
  }
  return window.exit_status();
}

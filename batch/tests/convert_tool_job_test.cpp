// SPDX-License-Identifier: GPL-3.0-or-later
// clipmill-convert as a user runs it: bad arguments, the last line it
// prints, presets, and --cancel-after ending a long file early with a
// complete result.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

// The tool of this build: beside the test media cache, in batch/.
fs::path tool() {
  const char* cache = std::getenv("CLIPMILL_MEDIA_CACHE");
  if (!cache) return {};
  const fs::path p = fs::path(cache).parent_path() / "batch" / "clipmill-convert";
  return fs::exists(p) ? p : fs::path();
}

struct ToolRun {
  int status;
  std::string out;
};

// `with_errors`: stderr goes into `out` as well.
ToolRun run_tool(const std::string& args, bool with_errors = false) {
  ToolRun r;
  r.status = testsupport::run(
      testsupport::quote(tool().string()) + " " + args + (with_errors ? " 2>&1" : " 2>/dev/null"), &r.out);
  return r;
}

std::string last_line(const std::string& text) {
  auto end = text.find_last_not_of('\n');
  if (end == std::string::npos) return {};
  auto start = text.rfind('\n', end);
  return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

// A quoted field's text: its C escapes undone (\n, \t, \r, octal, \" and
// \\).
std::string unquoted(const std::string& field) {
  std::string text;
  for (size_t i = 1; i + 1 < field.size(); ++i) {
    if (field[i] != '\\' || i + 2 >= field.size()) {
      text += field[i];
      continue;
    }
    const char c = field[++i];
    if (c >= '0' && c <= '7') {
      text += static_cast<char>(std::stoi(field.substr(i, 3), nullptr, 8));
      i += 2;
    } else {
      text += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    }
  }
  return text;
}

// The report line "output="PATH" result=N seconds=S frames=F ..."; false
// when the line has another shape.
struct Report {
  fs::path output;
  int result = -1, frames = -1;
};
bool parse_report(const std::string& line, Report& r) {
  const auto res = line.find(" result="), sec = line.find(" seconds="), fr = line.find(" frames=");
  if (line.rfind("output=\"", 0) != 0 || res == std::string::npos || sec == std::string::npos ||
      fr == std::string::npos || !(res < sec && sec < fr))
    return false;
  r.output = unquoted(line.substr(7, res - 7));
  r.result = std::atoi(line.c_str() + res + 8);
  r.frames = std::atoi(line.c_str() + fr + 8);
  return true;
}

class ConvertTool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (tool().empty()) GTEST_SKIP() << "clipmill-convert not built";
    dir = testsupport::temp_dir("tool");
  }
  void TearDown() override {
    if (!dir.empty()) fs::remove_all(dir);
  }
  fs::path dir;
};

TEST_F(ConvertTool, BadArgumentsGiveUsageAndStatus2) {
  const std::string good = " --size 320x240 --fps 25 --video-bitrate 1000 --audio-bitrate 128 --aspect 4/3 ";
  const std::string in = testsupport::quote(testsupport::mpeg2_ps_clip(1.0).string());
  const std::string out = testsupport::quote(dir.string());
  for (const std::string& args :
       {std::string("--format avi") + good + in,                          // no output folder
        std::string("--format avi --size 320 --fps 25 --video-bitrate 1000 --audio-bitrate 128 --aspect 4/3 ") + in +
            " " + out,                                                   // size without height
        std::string("--format avi") + good.substr(0, good.find("--aspect")) + "--aspect 5/4 " + in + " " + out,
        std::string("--preset \"No such preset\" ") + in + " " + out,
        std::string("--format avi") + good + in + " " + testsupport::quote((dir / "missing").string())}) {
    std::string err;
    const int status = testsupport::run(testsupport::quote(tool().string()) + " " + args, &err, true);
    EXPECT_EQ(status, 2) << args;
    EXPECT_NE(err.find("usage:"), std::string::npos) << args;
  }
  EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(ConvertTool, PresetRunsTheJobAndReportsOnTheLastLine) {
  const auto in = testsupport::mpeg2_ps_clip(1.0);
  const auto r = run_tool("--preset \"3gp format\" " + testsupport::quote(in.string()) + " " +
                          testsupport::quote(dir.string()));
  EXPECT_EQ(r.status, 0);
  Report report;
  ASSERT_TRUE(parse_report(last_line(r.out), report)) << r.out;
  EXPECT_EQ(report.result, 0);
  EXPECT_EQ(report.frames, 25);
  const fs::path output = report.output;
  EXPECT_EQ(output, dir / "mpeg2ps_1.3gp");
  const auto info = testsupport::probe(output);
  ASSERT_NE(info.first("video"), nullptr);
  EXPECT_EQ(info.first("video")->width, 176);
  EXPECT_EQ(info.first("video")->frame_rate, "25/2");
  EXPECT_EQ(info.first("audio")->codec_name, "amr_nb");
}

TEST_F(ConvertTool, CancelAfterEndsEarlyWithACompleteFile) {
  const auto in = testsupport::cached_media(
      "ts_25fps_30_720x576.m2ts",
      "-f lavfi -i testsrc2=size=720x576:rate=25 -f lavfi -i sine=frequency=500:sample_rate=48000 "
      "-t 30 -ac 2 -c:v mpeg2video -b:v 2M -c:a mp2 -b:a 128k -f mpegts");
  const auto r = run_tool("--format mp4 --size 720x576 --fps 25 --video-bitrate 2000 --audio-bitrate 128 "
                          "--aspect 4/3 --cancel-after 0.5 " +
                          testsupport::quote(in.string()) + " " + testsupport::quote(dir.string()));
  EXPECT_EQ(r.status, 3);
  Report report;
  ASSERT_TRUE(parse_report(last_line(r.out), report)) << r.out;
  EXPECT_EQ(report.result, 3);
  EXPECT_NE(r.out.find(" outcome=cancelled "), std::string::npos) << r.out;
  const int frames = report.frames;
  EXPECT_GT(frames, 0);
  EXPECT_LT(frames, 750) << "the cancel did not stop the conversion";
  std::string errors;
  EXPECT_TRUE(testsupport::decodes_fully(report.output, &errors)) << errors;
  EXPECT_NEAR(testsupport::count_video_frames(report.output), frames, 2);
}

// H.263 knows only a few picture sizes: the encoder refuses 320x240, the job
// fails with the alert's words as its reason, and the tool says so and exits
// 1 with no file.
TEST_F(ConvertTool, RefusedSettingsReportTheReasonAndExit1) {
  const auto in = testsupport::mpeg2_ps_clip(1.0);
  const auto r = run_tool("--quiet --format h.263 --size 320x240 --fps 25 --video-bitrate 300 --audio-bitrate 12 "
                          "--aspect 4/3 " +
                          testsupport::quote(in.string()) + " " + testsupport::quote(dir.string()),
                          true);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(" outcome=failed reason=\"Error while opening codec for output. maybe incorrect parameters "
                       "such as bit_rate, rate, width or height (opening the encoder: "),
            std::string::npos)
      << r.out;
  EXPECT_TRUE(fs::is_empty(dir));
}

// SIGTERM to a batch of two at once acts as Cancel: each running file is
// finished and reported, each file not begun gets a not-started line, the
// status is 3, and the folder holds only the complete files reported.
TEST_F(ConvertTool, SigtermReportsEveryFileAndLeavesOnlyCompleteOnes) {
  std::string inputs;
  fs::create_directories(dir / "in");
  fs::create_directories(dir / "out");
  const std::vector<std::string> names{"a.mpg", "b.mpg", "c.mpg", "d.mpg", "e.mpg", "f.mpg"};
  for (const std::string& name : names) {
    fs::copy_file(testsupport::mpeg2_ps_clip(4.0), dir / "in" / name);
    inputs += testsupport::quote((dir / "in" / name).string()) + " ";
  }
  std::string out;
  testsupport::run(testsupport::quote(tool().string()) + " --quiet --preset \"iPod format\" --jobs 2 " + inputs +
                       testsupport::quote((dir / "out").string()) +
                       " 2>/dev/null & pid=$!; sleep 0.8; kill -TERM $pid; wait $pid; echo status=$?",
                   &out);
  // 3 when the signal stopped a file; 0 when every file had converted by then.
  const bool stopped = out.find(" outcome=cancelled ") != std::string::npos ||
                       out.find(" outcome=not-started ") != std::string::npos;
  EXPECT_NE(out.find(stopped ? "status=3\n" : "status=0\n"), std::string::npos) << out;
  std::vector<std::string> reported;
  size_t lines = 0;
  for (size_t at = 0; (at = out.find("output=", at)) != std::string::npos; ++at) {
    ++lines;
    const std::string line = out.substr(at, out.find('\n', at) - at);
    Report report;
    ASSERT_TRUE(parse_report(line, report)) << line;
    if (line.find(" outcome=not-started ") != std::string::npos) continue;
    if (!fs::exists(report.output)) continue;  // cancelled before its first picture: removed
    reported.push_back(report.output.filename().string());
    std::string errors;
    EXPECT_TRUE(testsupport::decodes_fully(report.output, &errors)) << line << errors;
  }
  EXPECT_EQ(lines, names.size()) << out;
  std::vector<std::string> present;
  for (const auto& e : fs::directory_iterator(dir / "out")) present.push_back(e.path().filename().string());
  std::sort(present.begin(), present.end());
  std::sort(reported.begin(), reported.end());
  EXPECT_EQ(present, reported) << out;
}

// A part that starts mid-GOP (no picture size until its first key picture,
// 8 s in) converts from that picture on.
TEST_F(ConvertTool, APartStartingMidGopConverts) {
  const auto part = testsupport::mid_gop_part(dir);
  fs::create_directories(dir / "out");
  const auto r = run_tool("--preset \"iPod format\" --no-join " + testsupport::quote(part.string()) + " " +
                          testsupport::quote((dir / "out").string()));
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find(" outcome=converted "), std::string::npos) << r.out;
  std::string errors;
  EXPECT_TRUE(testsupport::decodes_fully(dir / "out" / "00001.mp4", &errors)) << errors;
}

// A name with a newline, a quote and a backslash still gives one report
// line, whose quoted output names the file written.
TEST_F(ConvertTool, OddNamesKeepOneLinePerFile) {
  const fs::path in = dir / "in";
  fs::create_directories(in);
  fs::copy_file(testsupport::mpeg2_ps_clip(1.0), in / "a\nb \"c\\.mpg");
  const auto r = run_tool("--preset \"3gp format\" " + testsupport::quote((in / "a\nb \"c\\.mpg").string()) + " " +
                          testsupport::quote(dir.string()));
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
  Report report;
  ASSERT_TRUE(parse_report(last_line(r.out), report)) << r.out;
  EXPECT_EQ(report.output, dir / "a\nb \"c\\.3gp");
  EXPECT_TRUE(fs::exists(report.output));
}

// Several inputs through the batch: with --jobs 2 every file is the very
// file one at a time gives, and a bad input among them makes the exit
// status 1 while the good ones still convert.
TEST_F(ConvertTool, TwoAtOnceWritesTheFilesOneAtATimeWrites) {
  const std::string inputs = testsupport::quote(testsupport::avchd_clip(2.0).string()) + " " +
                             testsupport::quote(testsupport::mpeg2_ps_clip(2.0).string());
  for (const char* jobs : {"1", "2"}) {
    fs::create_directories(dir / jobs);
    const auto r = run_tool(std::string("--preset \"DVD Pal\" --jobs ") + jobs + " " + inputs + " " +
                            testsupport::quote((dir / jobs).string()));
    EXPECT_EQ(r.status, 0) << r.out;
  }
  for (const char* name : {"avchd_2.mpg", "mpeg2ps_2.mpg"}) {
    std::string one, two;
    ASSERT_EQ(testsupport::run("md5sum < " + testsupport::quote((dir / "1" / name).string()), &one), 0);
    ASSERT_EQ(testsupport::run("md5sum < " + testsupport::quote((dir / "2" / name).string()), &two), 0);
    EXPECT_EQ(one, two) << name;
  }
  std::ofstream(dir / "bad.mts") << "not a video";
  const auto mixed = run_tool("--preset \"DVD Pal\" --jobs auto " + inputs + " " +
                              testsupport::quote((dir / "bad.mts").string()) + " " + testsupport::quote(dir.string()));
  EXPECT_EQ(mixed.status, 1);
  EXPECT_NE(mixed.out.find("outcome=failed"), std::string::npos) << mixed.out;
  EXPECT_TRUE(fs::exists(dir / "avchd_2.mpg"));
}

// The three parts of one 6 s recording, as a camcorder splits it, give one
// output of 6 s that decodes fully, in whatever order they are named and
// also when the middle part is damaged inside; --no-join keeps them three
// files.
class SpannedParts : public ConvertTool, public ::testing::WithParamInterface<bool> {};

TEST_P(SpannedParts, BecomeOneOutputUnlessNoJoin) {
  fs::create_directories(dir / "card");
  const auto parts = testsupport::split_recording(testsupport::camcorder_clip(6), 3, dir / "card");
  if (GetParam()) {
    std::fstream middle(parts[1], std::ios::binary | std::ios::in | std::ios::out);
    middle.seekp(static_cast<std::streamoff>(fs::file_size(parts[1]) / 2));
    const std::string damage(40 * 192, '\xff');
    middle.write(damage.data(), static_cast<std::streamsize>(damage.size()));
  }
  std::string inputs;
  for (const size_t i : {1, 0, 2}) inputs += testsupport::quote(parts[i].string()) + " ";
  for (const char* folder : {"joined", "apart"}) fs::create_directories(dir / folder);
  const auto joined = run_tool("--preset \"iPod format\" " + inputs + testsupport::quote((dir / "joined").string()));
  EXPECT_EQ(joined.status, 0) << joined.out;
  EXPECT_NE(joined.out.find(" parts=3 input="), std::string::npos) << joined.out;
  const auto info = testsupport::probe(dir / "joined" / "00000.mp4");
  EXPECT_NEAR(info.duration, 6.0, GetParam() ? 0.3 : 0.1);
  std::string errors;
  EXPECT_TRUE(testsupport::decodes_fully(dir / "joined" / "00000.mp4", &errors)) << errors;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "joined"), fs::directory_iterator()), 1);

  const auto apart =
      run_tool("--preset \"iPod format\" --no-join " + inputs + testsupport::quote((dir / "apart").string()));
  EXPECT_EQ(apart.status, 0) << apart.out;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "apart"), fs::directory_iterator()), 3);
}

INSTANTIATE_TEST_SUITE_P(Parts, SpannedParts, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "MiddleDamaged" : "Intact"; });

// The copies need no picture options (MKV copy no sound option either);
// "source" stands for the source's size and rate. A re-encoding format
// still needs them all.
TEST_F(ConvertTool, CopiesNeedNoPictureOptionsAndSourceIsAValue) {
  const std::string in = testsupport::quote(testsupport::camcorder_clip(1).string());
  const std::string out = testsupport::quote(dir.string());
  const auto copied = run_tool("--quiet --format \"MKV copy\" " + in + " " + out);
  EXPECT_EQ(copied.status, 0) << copied.out;
  EXPECT_TRUE(fs::exists(dir / "camcorder_1_440.mkv"));
  const auto source = run_tool("--quiet --format \"MP4 H.264\" --size source --fps Source --video-bitrate 2000 "
                               "--audio-bitrate 128 --aspect 4/3 " + in + " " + out);
  EXPECT_EQ(source.status, 0) << source.out;
  const auto info = testsupport::probe(dir / "camcorder_1_440.mp4");
  ASSERT_NE(info.first("video"), nullptr);
  EXPECT_EQ(info.first("video")->width, 320);
  EXPECT_EQ(info.first("video")->frame_rate, "25/1");
  EXPECT_EQ(run_tool("--format \"MP4 H.264\" --audio-bitrate 128 " + in + " " + out).status, 2);
}

TEST_F(ConvertTool, ListPresetsNamesTheEighteen) {
  const auto r = run_tool("--list-presets");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 18) << r.out;
  for (const char* name : {"DVD Pal", "DVD NTSC", "MPEG2 HD", "WMV HD", "3gp format", "iPhone format",
                           "H.264 1080p (any device)", "Original quality MKV (every track)"})
    EXPECT_NE(r.out.find(std::string(name) + "\n"), std::string::npos) << name;
}

// The progress line is for a person at a terminal; a pipe gets none.
TEST_F(ConvertTool, ProgressLineOnlyOnATerminal) {
  const std::string command = testsupport::quote(tool().string()) + " --quiet --preset \"DVD Pal\" " +
                              testsupport::quote(testsupport::avchd_clip(2.0).string()) + " ";
  std::string piped, on_terminal;
  fs::create_directories(dir / "pipe");
  fs::create_directories(dir / "tty");
  ASSERT_EQ(testsupport::run(command + testsupport::quote((dir / "pipe").string()), &piped, true), 0);
  EXPECT_EQ(piped.find("ETA"), std::string::npos) << piped;
  ASSERT_EQ(testsupport::run("script -qfec " + testsupport::quote(command + testsupport::quote((dir / "tty").string())) +
                                 " /dev/null",
                             &on_terminal, true),
            0);
  EXPECT_NE(on_terminal.find(" %"), std::string::npos) << on_terminal;
  EXPECT_NE(on_terminal.find("ETA"), std::string::npos) << on_terminal;
  EXPECT_NE(on_terminal.find("outcome=converted"), std::string::npos) << on_terminal;
}

}  // namespace

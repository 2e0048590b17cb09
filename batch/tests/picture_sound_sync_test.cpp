// SPDX-License-Identifier: GPL-3.0-or-later
// Picture and sound together: a clip that flashes and beeps at the same
// moments, converted with a preset by clipmill-convert and with the same
// choices by the ffmpeg tool, shows the flash and the beep as far apart in
// both results, give or take one output frame (or closer to the source's
// own offset than the tool's result). The sources are a 1080i camcorder
// recording whose picture starts a frame and a half after its sound, and an
// MPEG-2 recording whose sound starts half a second before its picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "testsupport/av_offset.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

constexpr testsupport::FlashBeepSource kCamcorder{1920, 1080, "30000/1001", true, true, 0.05, 4};
constexpr testsupport::FlashBeepSource kSoundFirst{720, 576, "25", false, false, 0.5, 4};

// What the tool does where the presets deinterlace an interlaced source:
// one picture per picture, or (at the source's rate) one per field.
#define PER_PICTURE "-vf bwdif=mode=send_frame:parity=auto:deint=interlaced "
#define PER_FIELD "-vf bwdif=mode=send_field:parity=auto:deint=interlaced "
#define DVD_AUDIO "-c:a ac3 -b:a 256000 -ar 48000 -ac 2 -f dvd -muxrate 10080000 -packetsize 2048"
#define WMV_HD "-s 1280x720 -r 25 -c:v wmv2 -b:v 9000000 -c:a wmav2 -b:a 192000 -ar 44100 -ac 2 -f asf"

struct SyncCase {
  const char* name;
  const char* preset;
  testsupport::FlashBeepSource source;
  const char* tool_args;  // the tool's options equal to the preset's, between its input and output
  const char* extension;
  double frame;           // seconds one output frame lasts
};

const SyncCase kCases[] = {
    {"DvdNtsc", "DVD NTSC", kCamcorder,
     PER_PICTURE "-s 720x480 -r 30000/1001 -aspect 16:9 -c:v mpeg2video -b:v 6000000 -maxrate 6000000 -minrate 0 "
                 "-bufsize 1835008 -g 18 " DVD_AUDIO,
     "mpg", 1001.0 / 30000},
    {"DvdPal", "DVD Pal", kCamcorder,
     PER_PICTURE "-s 720x576 -r 25 -aspect 16:9 -c:v mpeg2video -b:v 6000000 -maxrate 6000000 -minrate 0 "
                 "-bufsize 1835008 -g 15 " DVD_AUDIO,
     "mpg", 1.0 / 25},
    {"Mp4H264", "H.264 720p (phones, web)", kCamcorder,
     PER_FIELD "-s 1280x720 -c:v libx264 -preset fast -crf 20 -profile:v high -maxrate 8000000 -bufsize 16000000 "
               "-pix_fmt yuv420p -c:a aac -b:a 160000 -ar 48000 -ac 2 -f mp4",
     "mp4", 1001.0 / 60000},
    {"WmvHd", "WMV HD", kCamcorder, PER_PICTURE WMV_HD, "wmv", 1.0 / 25},
    {"SoundFirstDvd", "DVD Pal", kSoundFirst,
     "-s 720x576 -r 25 -aspect 16:9 -c:v mpeg2video -b:v 6000000 -maxrate 6000000 -minrate 0 -bufsize 1835008 "
     "-g 15 " DVD_AUDIO,
     "mpg", 1.0 / 25},
    {"SoundFirstMp4", "iPod format", kSoundFirst,
     "-s 320x240 -r 25 -aspect 4:3 -c:v mpeg4 -b:v 765000 -g 15 -c:a aac -b:a 128000 -ar 44100 -ac 1 -f mp4", "mp4",
     1.0 / 25},
    {"SoundFirstWmv", "WMV HD", kSoundFirst, WMV_HD, "wmv", 1.0 / 25},
};

void PrintTo(const SyncCase& c, std::ostream* os) { *os << c.name; }

// The tool is built beside this test program.
fs::path convert_tool() { return fs::read_symlink("/proc/self/exe").parent_path() / "clipmill-convert"; }

class PictureAndSound : public ::testing::TestWithParam<SyncCase> {};

TEST_P(PictureAndSound, LandAsCloseAsTheToolPutsThem) {
  const SyncCase& c = GetParam();
  const fs::path source = testsupport::flash_beep_clip(c.source);
  const fs::path dir = testsupport::temp_dir("sync");
  const fs::path ours_dir = dir / "ours";
  fs::create_directory(ours_dir);
  std::string log;
  ASSERT_EQ(testsupport::run(testsupport::quote(convert_tool().string()) + " --preset " + testsupport::quote(c.preset) +
                                 " " + testsupport::quote(source.string()) + " " + testsupport::quote(ours_dir.string()),
                             &log, true),
            0)
      << log;
  const fs::directory_iterator made(ours_dir);
  ASSERT_NE(made, fs::directory_iterator()) << log;
  const fs::path ours = made->path();
  const fs::path tools = dir / (std::string("tool.") + c.extension);
  ASSERT_EQ(testsupport::run("ffmpeg -nostdin -v error -i " + testsupport::quote(source.string()) + " " + c.tool_args +
                                 " " + testsupport::quote(tools.string()),
                             &log, true),
            0)
      << log;

  const testsupport::AvOffset mine = testsupport::measure_av_offset(ours);
  const testsupport::AvOffset theirs = testsupport::measure_av_offset(tools);
  const testsupport::AvOffset recorded = testsupport::measure_av_offset(source);
  std::printf("A/V offset %s: ours %+.1f ms (%d pairs), tool %+.1f ms (%d pairs), source %+.1f ms\n", c.name,
              mine.seconds * 1000, mine.pairs, theirs.seconds * 1000, theirs.pairs, recorded.seconds * 1000);
  // Three of the four flashes at least: a rate change may drop one.
  ASSERT_GE(mine.pairs, 3) << mine.error;
  ASSERT_GE(theirs.pairs, 3) << theirs.error;
  ASSERT_GT(recorded.pairs, 0) << recorded.error;
  // Where the tool's own rate change moves the picture further from the
  // source's timing, being nearer the source counts as well.
  const double ours_off = std::fabs(mine.seconds - recorded.seconds);
  const double tools_off = std::fabs(theirs.seconds - recorded.seconds);
  EXPECT_TRUE(std::fabs(mine.seconds - theirs.seconds) <= c.frame || ours_off <= tools_off)
      << "ours " << mine.seconds << " s, the tool's " << theirs.seconds << " s, the source's " << recorded.seconds
      << " s";
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Presets, PictureAndSound, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

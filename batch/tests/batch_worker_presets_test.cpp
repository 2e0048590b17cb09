// Every preset, applied by clipmill-convert --preset exactly as the preset
// list names it, turns a 1080i camcorder clip into a valid file of the
// preset's container, codecs, size and rate, as long as the source and with
// audio and video starting together.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "presets/option_tables.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

struct Expected {
  const char* container;
  const char* video_codec;
  const char* audio_codec;
  int width, height;
  const char* frame_rate;  // as ffprobe reports it
  double fps;
  int sample_rate, channels;
};

// In the preset list's order.
const Expected kExpected[] = {
    {"mov,mp4,m4a,3gp,3g2,mj2", "h263", "amr_nb", 176, 144, "25/2", 12.5, 8000, 1},  // 3gp format
    {"avi", "msmpeg4v2", "mp3", 560, 304, "25/1", 25, 44100, 2},                      // Avi (High)
    {"avi", "msmpeg4v2", "mp3", 352, 288, "25/1", 25, 44100, 2},                      // Avi (Low)
    {"avi", "msmpeg4v2", "mp3", 480, 272, "25/1", 25, 44100, 2},                      // Avi (Medium)
    {"mpeg", "mpeg2video", "ac3", 720, 480, "30000/1001", 29.97, 48000, 2},           // DVD NTSC
    {"mpeg", "mpeg2video", "ac3", 720, 576, "25/1", 25, 48000, 2},                    // DVD Pal
    {"flv", "flv1", "mp3", 560, 304, "25/1", 25, 44100, 2},                           // FLV (High)
    {"flv", "flv1", "mp3", 320, 240, "25/1", 25, 44100, 2},                           // FLV (Low)
    {"flv", "flv1", "mp3", 352, 288, "25/1", 25, 44100, 2},                           // FLV (Medium)
    {"mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "aac", 640, 480, "25/1", 25, 44100, 1},      // iPhone
    {"mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "aac", 320, 240, "25/1", 25, 44100, 1},      // iPod
    {"mpeg", "mpeg2video", "ac3", 1280, 720, "25/1", 25, 48000, 2},                   // MPEG2 HD
    {"asf", "wmv2", "wmav2", 1280, 720, "25/1", 25, 44100, 2},                        // WMV HD
};

// The tool is built beside this test program.
fs::path tool() { return fs::read_symlink("/proc/self/exe").parent_path() / "clipmill-convert"; }

class PresetThroughTool : public ::testing::TestWithParam<int> {};

TEST_P(PresetThroughTool, GivesAValidFileOfThePreset) {
  static_assert(std::size(kExpected) == 13);
  const auto& preset = presets::preset_table()[GetParam()];
  const Expected& e = kExpected[GetParam()];
  ASSERT_TRUE(fs::exists(tool())) << "build the clipmill-convert target";
  const fs::path source = testsupport::avchd_clip(2.0);
  const fs::path dir = testsupport::temp_dir("preset_tool");

  std::string log;
  ASSERT_EQ(testsupport::run(testsupport::quote(tool().string()) + " --preset " +
                                 testsupport::quote(preset.display_name) + " " +
                                 testsupport::quote(source.string()) + " " + testsupport::quote(dir.string()),
                             &log, true),
            0)
      << log;
  std::vector<fs::path> made;
  for (const auto& entry : fs::directory_iterator(dir)) made.push_back(entry.path());
  ASSERT_EQ(made.size(), 1u) << log;
  const fs::path output = made.front();

  const auto src = testsupport::probe(source);
  const auto info = testsupport::probe(output);
  ASSERT_TRUE(info.ok) << output;
  EXPECT_EQ(info.format_name, e.container);
  const auto* v = info.first("video");
  const auto* a = info.first("audio");
  ASSERT_TRUE(v && a) << output;
  EXPECT_EQ(v->codec_name, e.video_codec);
  EXPECT_EQ(a->codec_name, e.audio_codec);
  EXPECT_EQ(v->width, e.width);
  EXPECT_EQ(v->height, e.height);
  EXPECT_EQ(v->frame_rate, e.frame_rate);
  EXPECT_EQ(a->sample_rate, e.sample_rate);
  EXPECT_EQ(a->channels, e.channels);

  std::string errors;
  testsupport::decodes_fully(output, &errors);
  EXPECT_EQ(errors, "");
  const double frame = 1.0 / e.fps;
  EXPECT_NEAR(info.duration, src.duration, 2 * frame + 0.05);
  EXPECT_NEAR(a->start_time, v->start_time, 0.05);
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(AllThirteen, PresetThroughTool, ::testing::Range(0, 13), [](const auto& info) {
  std::string name;
  for (char c : std::string(presets::preset_table()[info.param].display_name))
    name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
});

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// Every preset, applied by clipmill-convert --preset exactly as the preset
// list names it, turns a 1080i camcorder clip into a valid file of the
// preset's container, codecs, size and rate, as long as the source and with
// audio and video starting together.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "presets/option_tables.h"
#include "testsupport/media.h"
#include "testsupport/output_checks.h"

namespace {

namespace fs = std::filesystem;

struct Expected {
  testsupport::ExpectedOutput out;
  double fps;
};

// In the preset list's order.
const Expected kExpected[] = {
    {{"mov,mp4,m4a,3gp,3g2,mj2", "h263", "amr_nb", 176, 144, "25/2", 8000, 1}, 12.5},  // 3gp format
    {{"avi", "msmpeg4v2", "mp3", 560, 304, "25/1", 44100, 2}, 25},                      // Avi (High)
    {{"avi", "msmpeg4v2", "mp3", 352, 288, "25/1", 44100, 2}, 25},                      // Avi (Low)
    {{"avi", "msmpeg4v2", "mp3", 480, 272, "25/1", 44100, 2}, 25},                      // Avi (Medium)
    {{"mpeg", "mpeg2video", "ac3", 720, 480, "30000/1001", 48000, 2}, 29.97},           // DVD NTSC
    {{"mpeg", "mpeg2video", "ac3", 720, 576, "25/1", 48000, 2}, 25},                    // DVD Pal
    {{"flv", "flv1", "mp3", 560, 304, "25/1", 44100, 2}, 25},                           // FLV (High)
    {{"flv", "flv1", "mp3", 320, 240, "25/1", 44100, 2}, 25},                           // FLV (Low)
    {{"flv", "flv1", "mp3", 352, 288, "25/1", 44100, 2}, 25},                           // FLV (Medium)
    {{"mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "aac", 640, 480, "25/1", 44100, 1}, 25},      // iPhone
    {{"mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "aac", 320, 240, "25/1", 44100, 1}, 25},      // iPod
    {{"mpeg", "mpeg2video", "ac3", 1280, 720, "25/1", 48000, 2}, 25},                   // MPEG2 HD
    {{"asf", "wmv2", "wmav2", 1280, 720, "25/1", 44100, 2}, 25},                        // WMV HD
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

  const double frame = 1.0 / e.fps;
  testsupport::expect_output(output, e.out, {testsupport::probe(source).duration, 2 * frame + 0.05, true});
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(AllThirteen, PresetThroughTool, ::testing::Range(0, 13), [](const auto& info) {
  std::string name;
  for (char c : std::string(presets::preset_table()[info.param].display_name))
    name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
});

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// DVD outputs: the group-of-pictures limit reaches the encoder and the
// muxer writes 2048-byte packs at 10 080 000 bit/s.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "engine/tests/engine_fixture.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

struct DvdCase {
  const char* name;
  int target, width, height;
  float fps;
  int max_gop;
};

void PrintTo(const DvdCase& c, std::ostream* os) { *os << c.name; }

// Longest run of pictures from one I picture to the next.
int longest_gop(const fs::path& file) {
  std::string out;
  testsupport::run("ffprobe -v error -select_streams v:0 -show_entries frame=pict_type -of csv=p=0 " +
                       testsupport::quote(file.string()),
                   &out);
  std::istringstream lines(out);
  std::string type;
  int longest = 0, current = -1, pictures = 0;
  while (std::getline(lines, type)) {
    if (type.empty()) continue;
    ++pictures;
    if (type.rfind("I", 0) == 0) current = 0;
    if (current >= 0) longest = std::max(longest, ++current);
  }
  return pictures > 0 ? longest : -1;
}

class DvdOutput : public ::testing::TestWithParam<DvdCase> {};

TEST_P(DvdOutput, KeepsTheGopLimitAndThePackFormat) {
  const DvdCase& c = GetParam();
  enginetest::fresh_job();
  const auto dir = testsupport::temp_dir(std::string("dvd_") + c.name);
  const fs::path output = dir / "clip.mpg";
  const enginetest::Format f{c.name, 14, 6, c.target, "mpg", c.width, c.height, 2, 48000, 192000,
                             "mpeg", "mpeg2video", "ac3"};
  enginetest::fill_parameters(f, output, c.fps, 5000000);
  enginetest::open_files(testsupport::mpeg2_ps_clip(2.0));
  ASSERT_EQ(enginetest::job().tables.output_file_count, 1);
  ASSERT_EQ(engine::transcode(enginetest::job()), 0);
  engine::release_files(enginetest::job());

  const int gop = longest_gop(output);
  // The encoder's default group is 12 pictures: the target's value must win.
  EXPECT_EQ(gop, c.max_gop);

  std::ifstream in(output, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 2048u * 10);
  EXPECT_EQ(bytes.size() % 2048, 0u);
  for (size_t at = 0; at + 14 <= bytes.size(); at += 2048) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    ASSERT_TRUE(b[0] == 0 && b[1] == 0 && b[2] == 1 && b[3] == 0xBA) << "no pack header at " << at;
    const unsigned mux_rate = (b[10] << 14) | (b[11] << 6) | (b[12] >> 2);  // units of 50 bytes/s
    ASSERT_EQ(mux_rate * 400u, 10080000u) << "at " << at;
  }
  EXPECT_TRUE(testsupport::decodes_fully(output));
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Targets, DvdOutput,
                         ::testing::Values(DvdCase{"pal", 7, 720, 576, 25.0f, 15},
                                           DvdCase{"ntsc", 8, 720, 480, 29.97f, 18}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

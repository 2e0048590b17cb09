// SPDX-License-Identifier: GPL-3.0-or-later
// Jobs one after another in one process: what one job leaves behind (the
// carried settings, the option registry) must not change the next job's
// file. Each second job's output is compared byte for byte with the same
// job run alone.
#include <fstream>
#include <iterator>

#include "engine/job.h"
#include "engine/tests/convert_support.h"

namespace {

namespace fs = std::filesystem;

const enginetest::Format kDvd{"dvd", 14, 6, 7, "mpg", 720, 576, 2, 48000, 192000,
                              "mpeg", "mpeg2video", "ac3"};
const enginetest::Format kWmv{"wmv", 4, 4, 0, "wmv", 320, 240, 2, 44100, 128000,
                              "asf", "wmv2", "wmav2"};

engine::JobSpec spec_for(const enginetest::Format& f, const fs::path& input, const fs::path& output) {
  engine::JobSpec s;
  s.input_path = input.string();
  s.output_path = output.string();
  s.video_codec_choice = f.video_choice;
  s.audio_codec_choice = f.audio_choice;
  s.output_target = f.target;
  s.width = f.width;
  s.height = f.height;
  s.frame_rate = 25;
  s.video_bit_rate = 2000000;
  s.audio_bit_rate = f.audio_bit_rate;
  s.sample_rate = f.sample_rate;
  s.channels = f.channels;
  s.aspect_choice = 2;
  return s;
}

std::string bytes_of(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

struct Pair {
  const char* name;
  const enginetest::Format* first;
  const enginetest::Format* second;
};
void PrintTo(const Pair& p, std::ostream* os) { *os << p.name; }

class JobSequence : public ::testing::TestWithParam<Pair> {};

TEST_P(JobSequence, SecondJobWritesWhatItWritesAlone) {
  const Pair& pair = GetParam();
  const fs::path input = testsupport::avchd_clip(1.0);
  const fs::path dir = testsupport::temp_dir(std::string("sequence_") + pair.name);
  const fs::path after = dir / (std::string("after.") + pair.second->extension);
  const fs::path alone = dir / (std::string("alone.") + pair.second->extension);

  engine::CarryOver carried;
  engine::JobHooks hooks;
  hooks.carry_over = &carried;
  const auto first = spec_for(*pair.first, input, dir / (std::string("first.") + pair.first->extension));
  ASSERT_EQ(engine::convert(first, hooks).code, engine::kJobRan);
  ASSERT_EQ(engine::convert(spec_for(*pair.second, input, after), hooks).code, engine::kJobRan);

  engine::CarryOver fresh;
  engine::JobHooks alone_hooks;
  alone_hooks.carry_over = &fresh;
  ASSERT_EQ(engine::convert(spec_for(*pair.second, input, alone), alone_hooks).code, engine::kJobRan);
  EXPECT_TRUE(bytes_of(after) == bytes_of(alone)) << after << " differs from " << alone;
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Pairs, JobSequence,
                         ::testing::Values(Pair{"mp4_then_avi", &converttest::kMp4, &converttest::kAvi},
                                           Pair{"dvd_then_flv", &kDvd, &converttest::kFlv},
                                           Pair{"3gp_then_wmv", &converttest::k3gp, &kWmv},
                                           Pair{"wmv_then_mp4", &kWmv, &converttest::kMp4}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

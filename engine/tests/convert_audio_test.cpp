// SPDX-License-Identifier: GPL-3.0-or-later
// Audio of whole conversions: rate and channel changes through the
// resampler, a format-only change through the converter, encoder-sized
// chunks with the remainder flushed; the result has the requested rate and
// channels, lasts as long as the source and is not silent.
#include <cstdlib>

#include "engine/tests/convert_support.h"

namespace {

const enginetest::Format kMpg1{"mpg1", 13, 3, 0, "mpg", 352, 288, 2, 44100, 192000,
                               "mpeg", "mpeg1video", "mp2"};

// An audio choice outside the table: the container's own audio codec.
const enginetest::Format kMp4NoAudioChoice{"mp4", 1, 0, 0, "mp4", 320, 240, 1, 44100, 128000,
                                           "mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "aac"};

struct AudioCase {
  const char* name;
  int source_rate;
  const enginetest::Format* format;
};

void PrintTo(const AudioCase& c, std::ostream* os) { *os << c.name; }

// Mean volume in dB of the file's audio, as the ffmpeg tool measures it.
double mean_volume(const std::filesystem::path& file) {
  std::string out;
  testsupport::run("ffmpeg -nostdin -hide_banner -i " + testsupport::quote(file.string()) +
                       " -map 0:a -af volumedetect -f null -",
                   &out, true);
  const auto at = out.find("mean_volume:");
  return at == std::string::npos ? -1000 : std::strtod(out.c_str() + at + 12, nullptr);
}

class AudioConversion : public enginetest::Fresh<::testing::TestWithParam<AudioCase>> {};

TEST_P(AudioConversion, ResultHasTheRequestedRateChannelsAndLength) {
  const AudioCase& c = GetParam();
  const auto source = testsupport::cached_media(
      "stereo_" + std::to_string(c.source_rate) + ".m2ts",
      "-f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=500:sample_rate=" +
          std::to_string(c.source_rate) +
          " -t 2 -ac 2 -c:v mpeg2video -b:v 1M -c:a mp2 -b:a 192k -f mpegts");
  const auto dir = testsupport::temp_dir(std::string("audio_") + c.name);
  const auto output = dir / (std::string("clip.") + c.format->extension);
  ASSERT_TRUE(converttest::run_engine_job(source, *c.format, output));

  const auto info = testsupport::probe(output);
  const auto* audio = info.first("audio");
  const auto* video = info.first("video");
  ASSERT_NE(audio, nullptr) << output;
  ASSERT_NE(video, nullptr);
  EXPECT_EQ(audio->codec_name, c.format->audio_codec);
  EXPECT_EQ(audio->sample_rate, c.format->sample_rate);
  EXPECT_EQ(audio->channels, c.format->channels);
  const double audio_length = audio->duration > 0 ? audio->duration : info.duration - audio->start_time;
  EXPECT_NEAR(audio_length, 2.0, 0.08);
  EXPECT_NEAR(audio->start_time, video->start_time, 0.05);
  std::string errors;
  EXPECT_TRUE(testsupport::decodes_fully(output, &errors)) << errors;
  // A full-scale sine of -3 dB peak averages about -6 dB; garbage channel
  // handling would give silence or noise far off that.
  EXPECT_GT(mean_volume(output), -30.0);
}

INSTANTIATE_TEST_SUITE_P(
    Convert, AudioConversion,
    ::testing::Values(AudioCase{"mp4_48k_stereo_to_44k_mono", 48000, &converttest::kMp4},
                      AudioCase{"3gp_48k_stereo_to_8k_mono_amrnb", 48000, &converttest::k3gp},
                      AudioCase{"mpg1_format_only", 44100, &kMpg1},
                      AudioCase{"mp4_unknown_audio_choice_takes_aac", 48000, &kMp4NoAudioChoice}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

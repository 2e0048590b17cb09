// SPDX-License-Identifier: GPL-3.0-or-later
// The conversion job's outcomes: sources and folders that fail with their
// reason, everything released and no file of the job left behind, files that were there before untouched,
// clean counters and tables for the next job, and 64-bit input sizes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "batch/conversion_job.h"
#include "batch/job_setup.h"
#include "batch/outcome_text.h"
#include "engine/engine.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

std::string read_all(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class ConversionJob : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = testsupport::temp_dir("job");
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path prepare(const fs::path& source, const std::string& format = "avi", const fs::path& folder = {}) {
    presets::ConversionSettings c;
    c.format = format;
    c.width = 320;
    c.height = 240;
    c.fps = 25;
    c.video_bitrate = 1000000;
    c.audio_bitrate = 128000;
    c.save_beside_source = false;
    c.output_folder = (folder.empty() ? dir : folder).string();
    return batch::prepare_job(c, source, source.filename().string(), spec);
  }

  fs::path dir;
  engine::JobSpec spec;
};

struct BadSource {
  const char* kind;
  const char* reason;
};

class BadSources : public ConversionJob, public ::testing::WithParamInterface<BadSource> {};

// Sources that are no recording: each fails at once with its reason, leaves
// no file, and is itself left as it was (a pipe is never opened: that would
// wait for a writer forever).
TEST_P(BadSources, FailWithTheirReasonAndLeaveNoFile) {
  const std::string kind = GetParam().kind;
  const fs::path source = dir / (kind + ".mts");
  if (kind == "text") std::ofstream(source) << "this is not a video\n";
  if (kind == "empty") std::ofstream{source};
  if (kind == "folder") fs::create_directory(source);
  if (kind == "pipe") {
    ASSERT_EQ(::mkfifo(source.c_str(), 0600), 0);
  }
  const auto output = prepare(source);
  const batch::JobOutcome outcome = batch::convert_file(spec);
  EXPECT_EQ(outcome.code, batch::kJobNoInput);
  EXPECT_EQ(batch::done_text(outcome), "Failed");
  EXPECT_EQ(batch::outcome_reason(outcome), GetParam().reason);
  EXPECT_FALSE(fs::exists(output)) << output;
  if (kind == "text") {
    EXPECT_EQ(read_all(source), "this is not a video\n");
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, BadSources,
                         ::testing::Values(BadSource{"text", "Not a video file or damaged beyond reading"},
                                           BadSource{"empty", "Not a video file or damaged beyond reading"},
                                           BadSource{"folder", "Not a video file or damaged beyond reading"},
                                           BadSource{"pipe", "Not a video file or damaged beyond reading"},
                                           BadSource{"missing", "The source file went away"}),
                         [](const auto& info) { return std::string(info.param.kind); });

// The output folder removed during a batch: that row fails with the
// reason, the next row into a folder that exists converts.
TEST_F(ConversionJob, VanishedOutputFolderFailsOnlyThatRow) {
  const auto source = testsupport::mpeg2_ps_clip(1.0);
  const fs::path gone = dir / "gone";
  fs::create_directory(gone);
  prepare(source, "avi", gone);
  fs::remove(gone);
  const batch::JobOutcome outcome = batch::convert_file(spec);
  EXPECT_EQ(outcome.code, batch::kJobNoOutput);
  EXPECT_EQ(batch::outcome_reason(outcome), "The folder cannot be written");
  EXPECT_FALSE(fs::exists(gone));
  const auto good = prepare(source);
  EXPECT_EQ(batch::convert_file(spec).code, batch::kJobRan);
  EXPECT_TRUE(testsupport::decodes_fully(good));
}

// A file at the output name that the job did not create is neither
// overwritten nor removed, whatever the outcome.
TEST_F(ConversionJob, ExistingFileAtTheOutputNameIsLeftAlone) {
  const auto existing = dir / "taken.avi";
  std::ofstream(existing) << "keep";
  for (const fs::path& source : {testsupport::mpeg2_ps_clip(1.0), dir / "missing.mts"}) {
    prepare(source);
    spec.output_path = existing.string();
    EXPECT_NE(batch::convert_file(spec).code, batch::kJobRan);
    EXPECT_EQ(read_all(existing), "keep");
    }
}

TEST_F(ConversionJob, ExtensionWithoutContainerGivesCode1AndClosesTheInput) {
  const auto source = testsupport::mpeg2_ps_clip(1.0);
  const auto bad = prepare(source, "nosuchcontainer");
  EXPECT_EQ(batch::convert_file(spec).code, batch::kJobNoOutput);
  EXPECT_FALSE(fs::exists(bad));

  // The input of the failed job takes no part in the next one.
  const auto good = prepare(source, "avi");
  EXPECT_EQ(batch::convert_file(spec).code, batch::kJobRan);
  const auto info = testsupport::probe(good);
  EXPECT_EQ(info.format_name, "avi");
  EXPECT_NEAR(info.duration, 1.0, 0.1);
  EXPECT_NEAR(testsupport::count_video_frames(good), 25, 2);
}

TEST_F(ConversionJob, SecondJobStartsWithCleanCountersAndTables) {
  const auto first = testsupport::avchd_clip(2.0);
  const auto second = testsupport::mpeg2_ps_clip(1.0);
  engine::JobCounters counters;
  std::atomic<bool> stop{false};
  engine::JobHooks hooks;
  hooks.counters = &counters;
  hooks.stop = &stop;
  prepare(first, "mp4");
  ASSERT_EQ(batch::convert_file(spec, hooks).code, batch::kJobRan);
  EXPECT_GE(counters.decoded_frame_count.load(), 59);

  const auto output = prepare(second, "mpg1");
  // A Cancel pressed before the job starts stops it before it makes a file.
  stop = true;
  EXPECT_EQ(batch::convert_file(spec, hooks).code, batch::kJobCancelled);
  EXPECT_FALSE(fs::exists(output));
  stop = false;
  ASSERT_EQ(batch::convert_file(spec, hooks).code, batch::kJobRan);
  EXPECT_EQ(counters.decoded_frame_count.load(), 25);
  const auto size = static_cast<int64_t>(fs::file_size(second));
  EXPECT_EQ(counters.input_size.load(), size);
  EXPECT_LE(counters.progress_position.load(), size);
  EXPECT_GT(counters.progress_position.load(), size / 2);
  EXPECT_NEAR(testsupport::count_video_frames(output), 25, 2);
}

// A file reported converted has every stream it was set up with. A still
// (one picture, a second of sound, as an MPEG-1 program stream) keeps its
// picture in every format, the DVD one at 29.97 included; a recording
// part that holds no key picture at all gives no picture to write, and
// the row fails saying so instead of passing off the sound alone.
struct PromisedStreams {
  const char* name;
  const char* format;
  int width, height;
  float fps;
  bool key_picture;    // the source has a picture that decodes
  const char* reason;  // "" converted, with picture and sound
};

void PrintTo(const PromisedStreams& p, std::ostream* os) { *os << p.name; }

class EveryStream : public ConversionJob, public ::testing::WithParamInterface<PromisedStreams> {};

TEST_P(EveryStream, IsWrittenOrTheRowSaysWhichIsMissing) {
  const PromisedStreams& p = GetParam();
  fs::path source = testsupport::cached_media(
      "still_mpeg1.mpg", "-f lavfi -i testsrc=d=0.04:r=25 -f lavfi -i sine -t 1 -c:v mpeg1video -c:a mp2 -f mpeg");
  if (!p.key_picture) {
    // Two seconds from the middle of a group of pictures 250 long.
    const fs::path part = testsupport::mid_gop_part(dir);
    std::string bytes = read_all(part);
    bytes.resize(bytes.size() / 5 / 192 * 192);
    source = dir / "no_key.MTS";
    std::ofstream(source, std::ios::binary) << bytes;
  }
  presets::ConversionSettings c;
  c.format = p.format;
  c.width = p.width;
  c.height = p.height;
  c.fps = p.fps;
  c.video_bitrate = 1000000;
  c.audio_bitrate = 128000;
  c.save_beside_source = false;
  c.output_folder = dir.string();
  const fs::path output = batch::prepare_job(c, source, "out", spec);
  const batch::JobOutcome outcome = batch::convert_file(spec);
  EXPECT_EQ(batch::outcome_reason(outcome), p.reason) << batch::outcome_detail(outcome);
  if (*p.reason) {
    EXPECT_FALSE(fs::exists(output));
    return;
  }
  ASSERT_EQ(outcome.code, batch::kJobRan);
  const testsupport::ProbeInfo info = testsupport::probe(output);
  EXPECT_TRUE(info.first("video") && info.first("audio")) << output;
  EXPECT_GE(testsupport::count_video_frames(output), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, EveryStream,
    ::testing::Values(PromisedStreams{"StillFlv", "flv", 320, 240, 25, true, ""},
                      PromisedStreams{"StillDvdNtsc", "mpg2", 720, 480, 29.97f, true, ""},
                      PromisedStreams{"NoKeyPictureMp4", "mp4", 320, 240, 25, false, "The output has no video"}),
    [](const auto& info) { return std::string(info.param.name); });

// Camcorder files pass 2 GiB: the size is carried whole. A sparse file
// takes no disk space.
TEST_F(ConversionJob, InputSizeBeyond4GiBIsMeasuredWhole) {
  const auto big = dir / "big.mts";
  {
    std::ofstream(big).put('\0');
  }
  const uintmax_t size = (uintmax_t{5} << 30) + 7;
  fs::resize_file(big, size);
  const auto output = prepare(big);
  engine::JobCounters counters;
  engine::JobHooks hooks;
  hooks.counters = &counters;
  EXPECT_EQ(batch::convert_file(spec, hooks).code, batch::kJobNoInput);
  EXPECT_EQ(counters.input_size.load(), static_cast<int64_t>(size));
  EXPECT_TRUE(fs::exists(big));
  EXPECT_FALSE(fs::exists(output));
}

}  // namespace

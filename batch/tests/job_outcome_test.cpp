// SPDX-License-Identifier: GPL-3.0-or-later
// Jobs that fail part-way: the disk filling up at the header, mid-file and
// at the trailer, and a source that changes while it is read. Each ends as
// failed with its reason, leaves no file, and touches no file it did not
// make.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

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

std::vector<std::string> names_in(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The account's file-size limit stands in for a full disk: writes past it
// fail with EFBIG, as writes to a full disk fail with ENOSPC.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &old_); }

 private:
  rlimit old_{};
};

class JobOutcome : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = testsupport::temp_dir("outcome");
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path prepare(const fs::path& source, const std::string& format) {
    presets::ConversionSettings c;
    c.format = format;
    c.width = 720;
    c.height = 576;
    c.fps = 25;
    c.video_bitrate = 4000000;
    c.audio_bitrate = 192000;
    c.save_beside_source = false;
    c.output_folder = dir.string();
    return batch::prepare_job(c, source, "clip.mts", spec);
  }

  fs::path dir;
  engine::JobSpec spec;
};

struct FullDisk {
  const char* name;
  const char* format;  // mp4 writes its index last; mpg2 is a DVD program stream
  const char* extension;
  int point;           // 0 header, 1 mid-file, 2 trailer
};

class DiskFull : public JobOutcome, public ::testing::WithParamInterface<FullDisk> {};

TEST_P(DiskFull, FailsWithTheReasonAndLeavesNoFile) {
  const FullDisk& c = GetParam();
  const auto source = testsupport::mpeg2_ps_clip(2.0);
  // The size the whole file has: outputs are deterministic.
  const fs::path whole = prepare(source, c.format);
  ASSERT_EQ(batch::convert_file(spec).code, batch::kJobRan);
  const auto size = fs::file_size(whole);
  fs::remove(whole);

  const fs::path existing = dir / (std::string("clip.") + c.extension);
  std::ofstream(existing) << "keep";
  const fs::path output = prepare(source, c.format);
  ASSERT_NE(output, existing);
  const rlim_t limits[] = {0, size / 2, size - 1};
  batch::JobOutcome outcome;
  {
    FileSizeLimit limit(limits[c.point]);
    outcome = batch::convert_file(spec);
  }
  EXPECT_EQ(batch::done_text(outcome), "Failed");
  EXPECT_EQ(batch::outcome_reason(outcome), "No space left on the disk") << batch::outcome_detail(outcome);
  EXPECT_EQ(names_in(dir), (std::vector<std::string>{existing.filename().string()}));
  EXPECT_EQ(read_all(existing), "keep");
}

INSTANTIATE_TEST_SUITE_P(Points, DiskFull,
                         ::testing::Values(FullDisk{"Mp4Header", "mp4", "mp4", 0},
                                           FullDisk{"Mp4MidFile", "mp4", "mp4", 1},
                                           FullDisk{"Mp4Trailer", "mp4", "mp4", 2},
                                           FullDisk{"DvdHeader", "mpg2", "mpg", 0},
                                           FullDisk{"DvdMidFile", "mpg2", "mpg", 1},
                                           FullDisk{"DvdTrailer", "mpg2", "mpg", 2},
                                           // The disk fills while the index moves to the front.
                                           FullDisk{"Mp4CopyIndexMove", "mp4 copy", "mp4", 2}),
                         [](const auto& info) { return std::string(info.param.name); });

// A write or trailer that fails for another reason than space (an I/O
// error of the disk) says that the file could not be written, not that it
// went away.
TEST(WriteFailure, SaysTheFileCouldNotBeWritten) {
  for (const engine::Stage stage : {engine::Stage::write_packet, engine::Stage::write_trailer}) {
    batch::JobOutcome outcome;
    outcome.code = batch::kJobWriteFailed;
    outcome.error = {stage, AVERROR(EIO)};
    EXPECT_EQ(batch::outcome_reason(outcome), "The file could not be written");
  }
}

// A source changed while the job reads it. Cut short or written again in
// place (a single file, or one part of a recording), the job read only part
// of it or parts of two versions: it fails and says so. Replaced by a rename,
// the job still reads the original through its own descriptor: converted.
struct SourceChange {
  const char* name;
  int parts;            // 1: a single file; 3: a recording in parts, the last one changed
  const char* how;      // "cut", "rewrite" or "replace"
  const char* outcome;  // done text
  const char* reason;
};

class SourceChanged : public JobOutcome, public ::testing::WithParamInterface<SourceChange> {};

TEST_P(SourceChanged, WhileReadGivesTheTrueOutcome) {
  const SourceChange& p = GetParam();
  std::vector<fs::path> parts;
  if (p.parts == 1) {
    parts = {dir / "source.mts"};
    fs::copy_file(testsupport::mpeg2_ps_clip(4.0), parts[0]);
  } else {
    parts = testsupport::split_recording(testsupport::camcorder_clip(6), p.parts, dir);
  }
  const fs::path changed = parts.back();
  const std::string bytes = read_all(changed);
  const fs::path output = prepare(parts[0], p.parts == 1 ? "mpg2" : "mp4");
  for (size_t i = 1; i < parts.size(); ++i) spec.further_parts.push_back(parts[i].string());
  engine::JobCounters counters;
  engine::JobHooks hooks;
  hooks.counters = &counters;
  std::thread changer([&] {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (counters.decoded_frame_count.load() < 5 && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const std::string how = p.how;
    if (how == "cut") {
      fs::resize_file(changed, bytes.size() / 3);
    } else if (how == "rewrite") {
      std::ofstream(changed, std::ios::binary | std::ios::trunc) << bytes;
    } else {
      std::ofstream(dir / "new.mts", std::ios::binary) << "not the recording";
      fs::rename(dir / "new.mts", changed);
    }
  });
  const batch::JobOutcome outcome = batch::convert_file(spec, hooks);
  changer.join();
  EXPECT_EQ(batch::done_text(outcome), p.outcome);
  EXPECT_EQ(batch::outcome_reason(outcome), p.reason);
  EXPECT_EQ(fs::exists(output), std::string(p.outcome) == "100 %");
}

INSTANTIATE_TEST_SUITE_P(Ways, SourceChanged,
                         ::testing::Values(SourceChange{"FileCutShort", 1, "cut", "Failed", "The source file went away"},
                                           SourceChange{"FileRewritten", 1, "rewrite", "Failed",
                                                        "The source file changed while it was read"},
                                           SourceChange{"PartRewritten", 3, "rewrite", "Failed",
                                                        "The source file changed while it was read"},
                                           SourceChange{"FileReplacedByRename", 1, "replace", "100 %", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

// Converted means the file is where the row says. The output's folder
// removed while it is written (the data gone), or the file moved away: the
// job fails and says which.
class OutputTakenAway : public JobOutcome, public ::testing::WithParamInterface<bool> {};

TEST_P(OutputTakenAway, MidWriteFailsTheJob) {
  const bool deleted = GetParam();
  const fs::path output = prepare(testsupport::mpeg2_ps_clip(2.0), "mpg2");
  // The tenth picture is handed to the preview on the reading thread: the
  // job waits while the file is taken away.
  std::atomic<bool> preview{true};
  std::atomic<int> countdown{10};
  engine::JobHooks hooks;
  hooks.preview = &preview;
  hooks.preview_countdown = &countdown;
  hooks.show_preview_picture = [&](const AVFrame*, const AVCodecContext*) {
    if (!preview.exchange(false)) return;
    if (deleted) fs::remove_all(dir);
    else fs::rename(output, dir / "moved.mpg");
  };
  const batch::JobOutcome outcome = batch::convert_file(spec, hooks);
  EXPECT_EQ(batch::done_text(outcome), "Failed");
  EXPECT_EQ(batch::outcome_reason(outcome), deleted ? "The output was deleted with its folder"
                                                    : "The output was moved while it was written");
  EXPECT_EQ(fs::exists(dir / "moved.mpg"), !deleted);
}

INSTANTIATE_TEST_SUITE_P(Ways, OutputTakenAway, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "FolderDeleted" : "FileMoved"; });

// A joined row whose later part was taken away before its turn: the job
// says the source went away and makes nothing.
TEST_F(JobOutcome, AJoinedPartGoneBeforeTheJobFailsIt) {
  const auto parts = testsupport::split_recording(testsupport::camcorder_clip(6), 3, dir);
  const fs::path output = prepare(parts[0], "mp4");
  spec.further_parts = {parts[1].string(), parts[2].string()};
  fs::remove(parts[2]);
  const batch::JobOutcome outcome = batch::convert_file(spec);
  EXPECT_EQ(outcome.code, batch::kJobNoInput);
  EXPECT_EQ(batch::outcome_reason(outcome), "The source file went away");
  EXPECT_FALSE(fs::exists(output));
}

}  // namespace

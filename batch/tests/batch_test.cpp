// SPDX-License-Identifier: GPL-3.0-or-later
// Whole batches over a window of plain values: rows from the top, one file
// at a time or several, each row's outcome, the status area, Cancel.
#include "batch/batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "batch/progress_monitor.h"
#include "batch/tests/recording_window.h"
#include "testsupport/media.h"
#include "testsupport/output_checks.h"

namespace batch {
namespace {

namespace fs = std::filesystem;

using batch::testing::RecordingWindow;
using batch::testing::Row;

// A small 2-second camcorder-like source: 640x360 MPEG-2 + MP2 in a
// transport stream, quick to convert.
fs::path small_clip() {
  return testsupport::cached_media(
      "batch_small_2s.mts",
      "-f lavfi -i testsrc2=size=640x360:rate=25 -f lavfi -i sine=frequency=500:sample_rate=48000 "
      "-t 2 -ac 2 -c:v mpeg2video -b:v 2M -c:a mp2 -b:a 128k -f mpegts");
}

presets::ConversionSettings settings_for(const std::string& format, const fs::path& folder) {
  presets::ConversionSettings s;
  s.format = format;
  s.width = 320;
  s.height = 240;
  s.fps = 25;
  s.video_bitrate = 600000;
  s.audio_bitrate = 96000;
  s.aspect = 1;
  s.save_beside_source = false;
  s.output_folder = folder.string();
  return s;
}

class BatchRun : public ::testing::Test {
 protected:
  fs::path dir;
  RecordingWindow window;
  Batch batch;

  void SetUp() override { dir = testsupport::temp_dir("batch_run"); }
  void TearDown() override { fs::remove_all(dir); }

  // A copy of the source under its own name, so each row has its own title.
  Row add_row(const std::string& title, int tick = 0) {
    const fs::path source = dir / "in" / title;
    fs::create_directories(source.parent_path());
    fs::copy_file(small_clip(), source, fs::copy_options::overwrite_existing);
    Row row{title, source.string(), tick};
    window.rows.push_back(row);
    return row;
  }

  void expect_status_reset() {
    EXPECT_EQ(window.processing, "Processing: ");
    EXPECT_EQ(window.percent, "0%");
    EXPECT_EQ(window.statistics, "");
    EXPECT_EQ(window.bar, 0);
    // Busy once, for the whole batch.
    EXPECT_EQ(window.busy_calls, (std::vector<bool>{true, false}));
  }
};

TEST_F(BatchRun, ConvertsTickedRowsFromTheTopAndSkipsUnticked) {
  add_row("first.mts");
  add_row("middle.mts", 1);
  add_row("last.mts");
  window.rows[1].done = "untouched";
  window.settings = settings_for("flv", dir / "out");
  fs::create_directories(dir / "out");

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(batch.run(window), 0);
  const auto elapsed = std::chrono::steady_clock::now() - start;

  const auto first = testsupport::probe(dir / "out" / "first.flv");
  const auto last = testsupport::probe(dir / "out" / "last.flv");
  ASSERT_TRUE(first.ok);
  ASSERT_TRUE(last.ok);
  EXPECT_FALSE(fs::exists(dir / "out" / "middle.flv"));
  ASSERT_NE(first.first("video"), nullptr);
  EXPECT_EQ(first.first("video")->codec_name, "flv1");
  EXPECT_EQ(first.first("video")->width, 320);
  EXPECT_NEAR(first.duration, 2.0, 0.2);
  EXPECT_TRUE(testsupport::decodes_fully(dir / "out" / "last.flv"));

  // Processing named in order, the status area reset after each file.
  const std::vector<std::string> expected{"Processing: first.mts", "Processing: ", "Processing: last.mts",
                                          "Processing: "};
  EXPECT_EQ(window.processing_history, expected);
  EXPECT_EQ(window.scrolled, (std::vector<RowId>{0, 2}));
  EXPECT_EQ(window.settings_reads, 2);
  // About one display update per 90 ms, never a burst.
  EXPECT_LE(window.bar_history.size(), static_cast<size_t>(elapsed / kMonitorPeriod) + 4);
  // Rows keep their tick, show their outcome; the skipped row is untouched.
  EXPECT_EQ(window.rows[0].tick, 0);
  EXPECT_EQ(window.rows[0].done, "100 %");
  EXPECT_EQ(window.rows[2].tooltip, (dir / "out" / "last.flv").string());
  EXPECT_EQ(window.rows[1].done, "untouched");
  EXPECT_EQ(window.summary, "2 converted");
  expect_status_reset();
}

TEST_F(BatchRun, BesideTheSourceTakesTheNextFreeName) {
  const Row row = add_row("clip.mts");
  std::ofstream(dir / "in" / "clip.avi") << "not ours";
  fs::create_directories(dir / "in" / "clip1.avi");  // a folder counts too
  presets::ConversionSettings s = settings_for("avi", dir);
  s.save_beside_source = true;
  window.settings = s;
  batch.run(window);
  EXPECT_TRUE(testsupport::probe(dir / "in" / "clip2.avi").ok);
  std::ifstream kept(dir / "in" / "clip.avi");
  std::string text;
  std::getline(kept, text);
  EXPECT_EQ(text, "not ours");
  EXPECT_TRUE(testsupport::probe(row.path).ok);  // the source is intact
}

TEST_F(BatchRun, NothingTickedOrCancelledBeforehandConvertsNothing) {
  add_row("alpha.mts", 1);
  add_row("beta.mts", 1);
  window.settings = settings_for("avi", dir);
  batch.run(window);
  EXPECT_TRUE(window.busy_calls.empty());
  EXPECT_EQ(window.settings_reads, 0);
  EXPECT_EQ(window.processing, "Processing: ");
  EXPECT_FALSE(fs::exists(dir / "alpha.avi"));

  window.rows[0].tick = 0;
  batch.cancel();
  batch.run(window);
  EXPECT_EQ(window.settings_reads, 0);
  EXPECT_FALSE(fs::exists(dir / "alpha.avi"));
  EXPECT_EQ(window.rows[0].done, "0 %");
  EXPECT_EQ(window.summary, "1 not started");
}

TEST_F(BatchRun, AFailingRowDoesNotStopTheBatch) {
  // Not media at all, then an empty file, then a good one.
  fs::create_directories(dir / "in");
  std::ofstream(dir / "in" / "text.mts") << "this is not a video\n";
  std::ofstream(dir / "in" / "empty.mts");
  window.rows.push_back(Row{"text.mts", (dir / "in" / "text.mts").string(), 0});
  window.rows.push_back(Row{"empty.mts", (dir / "in" / "empty.mts").string(), 0});
  add_row("good.mts");
  window.settings = settings_for("flv", dir);
  batch.run(window);
  EXPECT_TRUE(testsupport::probe(dir / "good.flv").ok);
  EXPECT_EQ(window.rows[0].done, "Failed");
  EXPECT_EQ(window.rows[1].done, "Failed");
  EXPECT_EQ(window.rows[2].done, "100 %");
  EXPECT_EQ(window.summary, "1 converted, 2 failed");
  expect_status_reset();
}

class ParallelBatch : public BatchRun, public ::testing::WithParamInterface<int> {};

// Several files at once over clips of different lengths: every ticked row
// converts into its own valid file (two sources of one name get two names,
// in row order), each row tells its own outcome, a bad row fails alone.
TEST_P(ParallelBatch, EveryRowConvertsAndTellsItsOwnOutcome) {
  window.jobs = GetParam();
  const double lengths[] = {4, 2, 6};
  const char* paths[] = {"x/clip.mts", "y/clip.mts", "z.mts"};
  for (int i = 0; i < 3; ++i) {
    const fs::path source = dir / "in" / paths[i];
    fs::create_directories(source.parent_path());
    std::string seconds = std::to_string(lengths[i]);
    fs::copy_file(testsupport::cached_media(
                      "parallel_" + seconds.substr(0, 1) + "s.mts",
                      "-f lavfi -i testsrc2=size=640x360:rate=25 -f lavfi -i sine=frequency=500:sample_rate=48000 "
                      "-t " + seconds + " -ac 2 -c:v mpeg2video -b:v 2M -c:a mp2 -b:a 128k -f mpegts"),
                  source);
    window.rows.push_back(Row{source.filename().string(), source.string(), 0});
  }
  std::ofstream(dir / "in" / "bad.mts") << "not a video\n";
  window.rows.push_back(Row{"bad.mts", (dir / "in" / "bad.mts").string(), 0});
  add_row("unticked.mts", 1);
  window.rows.back().done = "untouched";
  window.settings = settings_for("flv", dir / "out");
  fs::create_directories(dir / "out");

  EXPECT_EQ(batch.run(window), 0);

  const char* outputs[] = {"clip.flv", "clip1.flv", "z.flv"};
  for (int i = 0; i < 3; ++i) {
    testsupport::expect_output(dir / "out" / outputs[i], {"flv", "flv1", "mp3", 320, 240, "25/1", 44100, 2},
                               {lengths[i], 0.1});
    EXPECT_EQ(window.rows[i].done, "100 %") << i;
    EXPECT_EQ(window.rows[i].tooltip, (dir / "out" / outputs[i]).string());
  }
  EXPECT_EQ(window.rows[3].done, "Failed");
  EXPECT_EQ(window.rows[4].done, "untouched");
  EXPECT_EQ(window.summary, "3 converted, 1 failed");
  const auto& seen = window.processing_history;
  EXPECT_NE(std::find_if(seen.begin(), seen.end(), [](const std::string& t) { return t.find(" files") != t.npos; }),
            seen.end());
  expect_status_reset();
}

INSTANTIATE_TEST_SUITE_P(FilesAtOnce, ParallelBatch, ::testing::Values(2, 3),
                         [](const auto& info) { return std::to_string(info.param) + "_at_once"; });

}  // namespace
}  // namespace batch

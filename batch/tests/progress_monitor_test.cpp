// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/progress_monitor.h"

#include <gtest/gtest.h>

#include "batch/tests/recording_window.h"
#include "batch/time_left.h"

namespace batch {
namespace {

using batch::testing::RecordingWindow;

struct PercentCase {
  int64_t position, size;
  int percent;
};
class Percent : public ::testing::TestWithParam<PercentCase> {};

TEST_P(Percent, FloorsInSinglePrecisionAndShows99As100) {
  const auto c = GetParam();
  EXPECT_EQ(percent_done(c.position, c.size), c.percent) << c.position << "/" << c.size;
}

INSTANTIATE_TEST_SUITE_P(
    Quotients, Percent,
    ::testing::Values(PercentCase{0, 1000000, 0}, PercentCase{996, 1000, 100}, PercentCase{989, 1000, 98},
                      PercentCase{990, 1000, 100}, PercentCase{426, 1000, 42}, PercentCase{1000, 1000, 100},
                      PercentCase{500, 0, 0},            // size not measurable
                      PercentCase{1200, 1000, 100},      // file grew while it was read
                      PercentCase{3'000'000'000LL, 6'000'000'000LL, 50}));  // beyond 32 bits

TEST(ProgressTexts, PercentHasABlankStatisticsNamesFps) {
  EXPECT_EQ(percent_text(0), "0 %");
  EXPECT_EQ(percent_text(100), "100 %");
  EXPECT_EQ(statistics_text(31), "Statistics: 31 Fps");
  EXPECT_EQ(frames_per_second(250, 10.0), 25);
  EXPECT_EQ(frames_per_second(317, 10.0), 31);
  EXPECT_EQ(frames_per_second(250, 0.0), 0);
}

TEST(JobClock, SurvivesTickWrapAround) {
  EXPECT_DOUBLE_EQ(seconds_between(0xFFFFFF00u, 0x00000100u), 0.512);  // past the 32-bit maximum
  EXPECT_DOUBLE_EQ(seconds_between(5000, 7250), 2.25);
}

// One file at a time: the bar and the percent text follow the file. Several:
// they follow the batch's bytes, each row its own file, and the pictures per
// second add up.
TEST(StatusArea, OneUpdateFromTheRunningJobs) {
  RecordingWindow window;
  window.rows.resize(3);
  const JobProgress one{1, 426, 1000, 0, 317, 10.0};
  show_progress(window, std::span(&one, 1), true, {});
  EXPECT_EQ(window.bar, 42);
  EXPECT_EQ(window.percent, "42 %");
  EXPECT_EQ(window.rows[1].done, "42 %");
  EXPECT_EQ(window.rows[0].done, "0 %");
  EXPECT_EQ(window.statistics, "Statistics: 31 Fps");

  const JobProgress two[] = {{0, 500, 1000, 1000, 250, 10.0}, {2, 300, 2000, 2000, 100, 0.0}};
  show_progress(window, two, false, {4000, 1000});  // a row of 1000 bytes has ended
  EXPECT_EQ(window.bar, 45);                          // (1000 + 500 + 300) / 4000
  EXPECT_EQ(window.percent, "45 %");
  EXPECT_EQ(window.rows[0].done, "50 %");
  EXPECT_EQ(window.rows[2].done, "15 %");
  EXPECT_EQ(window.statistics, "Statistics: 25 Fps");  // no time yet for the second: 0

  std::string shown = "Processing: ";
  const std::string titles[] = {"a.mts", "b.mts"};
  show_processing(window, std::span(titles, 1), shown);
  EXPECT_EQ(window.processing, "Processing: a.mts");
  show_processing(window, titles, shown);
  EXPECT_EQ(window.processing, "Processing: 2 files");
  show_processing(window, titles, shown);
  EXPECT_EQ(window.processing_history.size(), 2u);  // written only when it changes
}

// Two jobs reading 1 MB/s each with 10 MB still unread: about 5 s left,
// known only once a second has been measured; a stall brings it up gently.
TEST(TimeLeftEstimate, RestOverTheRunningJobsRateSmoothed) {
  TimeLeft left;
  EXPECT_EQ(time_left_text(left.seconds()), "Time left: \u2014");
  for (int tick = 0; tick <= 20; ++tick) {
    const double t = tick * 0.1;
    const JobProgress jobs[] = {{1, static_cast<int64_t>(t * 1e6), 0, 0, 0, t},
                                {2, static_cast<int64_t>(t * 1e6), 0, 0, 0, t}};
    left.update(jobs, 10'000'000, t);
    if (tick < 10) {
      EXPECT_FALSE(left.seconds()) << tick;
    }
  }
  ASSERT_TRUE(left.seconds());
  EXPECT_NEAR(*left.seconds(), 5.0, 0.1);
  const JobProgress stalled[] = {{1, 2'000'000, 0, 0, 0, 3.0}, {2, 2'000'000, 0, 0, 0, 3.0}};
  left.update(stalled, 10'000'000, 3.0);
  EXPECT_NEAR(*left.seconds(), 6.25, 0.1);  // the rate falls by a fifth, not to 0

  EXPECT_EQ(time_left_text(200.0), "Time left: 3:20");
  EXPECT_EQ(time_left_text(3725.4), "Time left: 1:02:05");
}

}  // namespace
}  // namespace batch

// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/progress_monitor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "batch/tests/recording_window.h"
#include "batch/progress_state.h"

namespace batch {
namespace {

using batch::testing::RecordingWindow;

// A settable tick for the job clock, restored after each test.
class ProgressTest : public ::testing::Test {
 protected:
  std::atomic<uint32_t> tick{0};
  void SetUp() override {
    batch::set_tick_source([this] { return tick.load(); });
    auto& p = batch::progress();
    p.clock_running = false;
    p.conversion_running = false;
    p.elapsed_ms = 0;
  }
  void TearDown() override {
    batch::set_tick_source({});
    batch::progress().conversion_running = false;
    batch::progress().clock_running = false;
  }
  void start_clock(uint32_t at) {
    tick = at;
    batch::progress().job_start_time = at;
    batch::progress().clock_running = true;
  }
};

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

TEST_F(ProgressTest, ElapsedSecondsSurvivesTickWrapAround) {
  start_clock(0xFFFFFF00u);
  tick = 0x00000100u;  // 512 ms later, past the 32-bit maximum
  EXPECT_DOUBLE_EQ(elapsed_seconds(), 0.512);
}

TEST_F(ProgressTest, ElapsedSecondsIsFrozenAfterTheJob) {
  start_clock(5000);
  tick = 7250;
  EXPECT_DOUBLE_EQ(elapsed_seconds(), 2.25);
  batch::progress().clock_running = false;
  tick = 99000;
  EXPECT_DOUBLE_EQ(elapsed_seconds(), 2.25);
  EXPECT_DOUBLE_EQ(elapsed_seconds(), 2.25);
  start_clock(100000);  // the next job measures afresh
  tick = 100500;
  EXPECT_DOUBLE_EQ(elapsed_seconds(), 0.5);
}

TEST_F(ProgressTest, OneUpdateWritesBarTextsAndStatistics) {
  RecordingWindow window;
  window.rows.resize(3);
  auto& p = batch::progress();
  p.current_row = 1;
  p.input_size = 1000;
  p.progress_position = 426;
  p.decoded_frame_count = 317;
  start_clock(1000);
  tick = 11000;  // 10 s
  show_progress(window);
  EXPECT_EQ(window.bar, 42);
  EXPECT_EQ(window.percent, "42 %");
  EXPECT_EQ(window.rows[1].done, "42 %");
  EXPECT_EQ(window.rows[0].done, "0 %");
  EXPECT_EQ(window.statistics, "Statistics: 31 Fps");

  start_clock(20000);  // no time has passed yet
  show_progress(window);
  EXPECT_EQ(window.statistics, "Statistics: 0 Fps");
}

TEST_F(ProgressTest, MonitorPollsWhileRunningAndEndsWithTheJob) {
  RecordingWindow window;
  window.rows.resize(1);
  auto& p = batch::progress();
  p.current_row = 0;
  p.input_size = 1000;
  p.progress_position = 500;
  p.conversion_running = true;
  std::thread monitor([&] { progress_monitor(window); });
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  p.progress_position = 800;
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const auto stopped = std::chrono::steady_clock::now();
  p.conversion_running = false;
  monitor.join();
  // The end of the job ends the monitor at once, not after the rest of its period.
  EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::milliseconds(60));
  std::lock_guard lock(window.mutex);
  // About one update per 90 ms: 6 to 7 in 600 ms, never a burst.
  EXPECT_GE(window.bar_history.size(), 4u);
  EXPECT_LE(window.bar_history.size(), 8u);
  EXPECT_EQ(window.bar_history.front(), 50);
  EXPECT_EQ(window.rows[0].done, "80 %");
}

TEST_F(ProgressTest, JobEndedBeforeTheFirstPollLeavesTheWindowUntouched) {
  RecordingWindow window;
  window.rows.resize(1);
  batch::progress().conversion_running = false;
  EXPECT_EQ(progress_monitor(window), 0);

  batch::progress().conversion_running = true;
  std::thread monitor([&] { progress_monitor(window); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  batch::progress().conversion_running = false;  // during the first sleep
  monitor.join();
  EXPECT_TRUE(window.bar_history.empty());
  EXPECT_EQ(window.percent, "0%");
  EXPECT_EQ(window.rows[0].done, "0 %");
}

}  // namespace
}  // namespace batch

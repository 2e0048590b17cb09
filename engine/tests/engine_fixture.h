// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared set-up for the engine tests: a job driven stage by stage, the
// job's calling order.

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace enginetest {

// The job a test drives stage by stage, as convert() does. A test watches
// its pictures by setting the hooks' show_preview_picture; fresh_job()
// empties it again.
struct TestJob {
  engine::JobSpec spec;
  engine::JobCounters counters;
  std::atomic<bool> stop{false};
  std::atomic<bool> preview{false};
  std::atomic<int> preview_countdown{10};  // runs across jobs, as the window's does
  engine::JobHooks hooks;
  std::unique_ptr<engine::Job> job;
};

inline TestJob& test_job() {
  static TestJob t;
  return t;
}

// A new job with a fresh engine's settings (the old one released).
inline engine::Job& fresh_job() {
  TestJob& t = test_job();
  t.job.reset();
  t.stop = false;
  t.preview = false;
  t.hooks.show_preview_picture = nullptr;
  t.hooks.stop = &t.stop;
  t.hooks.preview = &t.preview;
  t.hooks.preview_countdown = &t.preview_countdown;
  t.hooks.counters = &t.counters;
  t.job = std::make_unique<engine::Job>(t.spec, t.hooks);
  return *t.job;
}

inline engine::Job& job() {
  TestJob& t = test_job();
  return t.job ? *t.job : fresh_job();
}
inline engine::JobSpec& spec() { return test_job().spec; }

// A test (plain or parameterised) that starts from a fresh job.
template <class Base = ::testing::Test>
class Fresh : public Base {
 protected:
  void SetUp() override { fresh_job(); }
};

// One output format as the batch worker fills the parameters for it.
struct Format {
  const char* name;
  int video_choice, audio_choice, target;
  const char* extension;
  int width, height, channels, sample_rate, audio_bit_rate;
  const char* container;      // ffprobe format_name
  const char* video_codec;    // ffprobe codec_name
  const char* audio_codec;
};

inline void PrintTo(const Format& f, std::ostream* os) { *os << f.name; }

inline void fill_parameters(const Format& f, const std::filesystem::path& output, float fps = 25,
                            int video_bit_rate = 2000000) {
  auto& p = spec();
  p.video_codec_choice = f.video_choice;
  p.audio_codec_choice = f.audio_choice;
  p.output_target = f.target;
  p.width = f.width;
  p.height = f.height;
  p.frame_rate = fps;
  p.video_bit_rate = video_bit_rate;
  p.sample_rate = f.sample_rate;
  p.channels = f.channels;
  p.audio_bit_rate = f.audio_bit_rate;
  p.aspect_choice = 1;
  p.output_path = output.string();
  job().settings.video_disabled = 0;
  job().settings.audio_disabled = 0;
  // What the job does at its start: a new job has no error yet.
  job().error = {};
  job().packets_written = 0;
}

// The job's order of calls up to the transcode.
inline void open_files(const std::filesystem::path& input) {
  engine::Job& j = job();
  engine::choose_audio_codec(j);
  engine::apply_video_settings(j);
  engine::open_input(j, input.string());
  engine::choose_audio_codec(j);
  engine::apply_video_settings(j);
  engine::create_output_file(j);
  engine::apply_video_settings(j);
}

}  // namespace enginetest

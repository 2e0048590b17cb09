#pragma once
// Shared set-up for the engine tests: a fresh engine per process, the job's
// calling order, and a recorder for the engine's message boxes.

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/hooks.h"

namespace enginetest {

// A test (plain or parameterised) that starts from a freshly initialised engine.
template <class Base = ::testing::Test>
class Fresh : public Base {
 protected:
  void SetUp() override { engine::engine_init(); }
};

struct Box {
  std::string text, caption;
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
  auto& p = engine::state().params;
  p.video_codec_choice = f.video_choice;
  p.audio_codec_choice = f.audio_choice;
  p.output_target = f.target;
  p.requested_width = f.width;
  p.requested_height = f.height;
  p.requested_frame_rate = fps;
  p.video_bit_rate = video_bit_rate;
  p.requested_sample_rate = f.sample_rate;
  p.requested_channels = f.channels;
  p.requested_audio_bit_rate = f.audio_bit_rate;
  p.aspect_choice = 1;
  p.output_path = output.string();
  engine::state().settings.video_disabled = 0;
  engine::state().settings.audio_disabled = 0;
  // What the job does at its start: a new job has no error yet.
  engine::reset_job_error();
}

// The job's order of calls up to the transcode.
inline void open_files(const std::filesystem::path& input) {
  engine::choose_audio_codec();
  engine::apply_video_settings();
  engine::open_input(input.string());
  engine::choose_audio_codec();
  engine::apply_video_settings();
  engine::create_output_file();
  engine::apply_video_settings();
}

// Installs a message-box recorder for the test's lifetime.
class BoxRecorder {
 public:
  BoxRecorder() {
    engine::hooks().message_box = [this](const std::string& text, const std::string& caption) {
      boxes.push_back({text, caption});
    };
  }
  ~BoxRecorder() { engine::hooks().message_box = nullptr; }
  std::vector<Box> boxes;
};

}  // namespace enginetest

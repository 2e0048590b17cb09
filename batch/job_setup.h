#pragma once
// The batch worker's per-row parameter steps, shared with clipmill-convert.

#include <filesystem>
#include <string>

#include "presets/conversion_settings.h"

namespace batch {

// The user's choices for one job, as the window shows them (bit rates in bit/s).
struct JobChoices {
  std::string format;                 // lower-cased format list entry ("mpg2", "h.263", ...)
  int width = 0, height = 0;          // pixels
  float fps = 0;                      // frames per second (29.97)
  int video_bitrate = 0;              // bit/s
  int audio_bitrate = 0;              // bit/s
  int aspect = 2;                     // 1 "4/3", 2 otherwise
  bool save_beside_source = true;     // else into output_folder
  std::filesystem::path output_folder;
};

// The choices of parsed control texts.
JobChoices job_choices(const presets::ConversionSettings& settings);

// The worker's per-row parameter steps: format table, output path, 3gp audio rule and channel count, aspect, set_engine_parameters, DVD target 8 for 720x480 else 7; stores input_path/output_path in engine::state().params. Returns the output path.
std::filesystem::path prepare_job(const JobChoices& choices, const std::filesystem::path& source,
                                  const std::string& title);
void set_engine_parameters(int width, int height, float fps, int video_bit_rate, int sample_rate, int channels,
                           int audio_bit_rate);

}  // namespace batch

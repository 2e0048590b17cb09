// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The batch worker's per-row parameter steps, shared with clipmill-convert.

#include <filesystem>
#include <set>
#include <string>

#include "engine/job.h"
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
  bool deinterlace = true;
  bool keep_recording_date = true;
};

// The choices of parsed control texts.
JobChoices job_choices(const presets::ConversionSettings& settings);

// Reads the recording time of spec.input_path into `spec` when the choices
// keep it, else clears it (MediaInfo; a while on a large file, so outside
// any lock).
void read_recording_time(const JobChoices& choices, engine::JobSpec& spec);

// The worker's per-row parameter steps: the format's row (codec choices,
// target, extension, audio rate, channels and fixed bit rate), a free output
// name, the aspect, the sizes and rates, the DVD target (8 for 720x480, else
// 7) and deinterlacing. Writes `spec`, the record the caller keeps from row to row: an unknown
// format keeps the codec choices and target of the row before. Returns the
// output path.
// `reserved`: output names other running jobs hold (see make_output_path).
std::filesystem::path prepare_job(const JobChoices& choices, const std::filesystem::path& source,
                                  const std::string& title, engine::JobSpec& spec,
                                  const std::set<std::filesystem::path>* reserved = nullptr);

}  // namespace batch

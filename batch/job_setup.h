// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The batch's per-row parameter steps.

#include <filesystem>
#include <set>
#include <string>

#include "engine/job.h"
#include "presets/conversion_settings.h"

namespace batch {

// Reads the recording time of spec.input_path into `spec` when the choices
// keep it, else clears it (MediaInfo; a while on a large file, so on the
// job's own thread).
void read_recording_time(const presets::ConversionSettings& choices, engine::JobSpec& spec);

// The per-row parameter steps: the format's row (codec choices,
// target, extension, audio rate, channels and fixed bit rate), a free output
// name, the aspect, the sizes and rates, the DVD target (8 for 720x480, else
// 7) and deinterlacing. Writes `spec`, the record the caller keeps from row to row: an unknown
// format keeps the codec choices and target of the row before. Returns the
// output path.
// `reserved`: output names other running jobs hold (see make_output_path).
std::filesystem::path prepare_job(const presets::ConversionSettings& choices, const std::filesystem::path& source,
                                  const std::string& title, engine::JobSpec& spec,
                                  const std::set<std::filesystem::path>* reserved = nullptr);

}  // namespace batch

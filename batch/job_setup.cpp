// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/job_setup.h"

#include "batch/format_table.h"
#include "batch/output_path.h"
#include "probe/recording_time.h"

namespace batch {

namespace {

constexpr int kDefaultChannels = 2;
constexpr int kDefaultSampleRate = 44100;
constexpr int kDvdTarget = 7;
constexpr int kDvdNtscTarget = 8;  // 720x480: group of pictures of 18

}  // namespace

std::filesystem::path prepare_job(const presets::ConversionSettings& choices, const std::filesystem::path& source,
                                  const std::string& title, engine::JobSpec& spec,
                                  const std::set<std::filesystem::path>* reserved) {
  // An unknown format keeps the earlier codec choices and target; the text
  // itself then serves as extension.
  std::string extension = choices.format;
  int channels = kDefaultChannels;
  int sample_rate = kDefaultSampleRate;
  int audio_bit_rate = choices.audio_bitrate;
  const FormatRow* row = format_row(choices.format);
  if (row) {
    spec.video_codec_choice = row->video_codec_choice;
    spec.audio_codec_choice = row->audio_codec_choice;
    spec.output_target = row->output_target;
    extension = row->extension;
    channels = row->channels;
    sample_rate = row->sample_rate;
    if (row->audio_bit_rate > 0) audio_bit_rate = row->audio_bit_rate;
    spec.copy = row->copy;
    spec.index_first = row->index_first;
  }

  const auto output =
      make_output_path(source, title, choices.save_beside_source, choices.output_folder, extension, reserved);

  spec.aspect_choice = choices.aspect == 1 ? 1 : 2;
  spec.width = choices.width;
  spec.height = choices.height;
  spec.frame_rate = choices.fps;
  spec.video_bit_rate = choices.video_bitrate;
  spec.sample_rate = sample_rate;
  spec.channels = channels;
  spec.audio_bit_rate = audio_bit_rate;
  if (row && row->output_target == kDvdTarget)
    spec.output_target = (choices.width == 720 && choices.height == 480) ? kDvdNtscTarget : kDvdTarget;

  spec.deinterlace = choices.deinterlace;
  spec.recording_time.reset();

  spec.input_path = source.string();
  spec.output_path = output.string();
  return output;
}

void read_recording_time(const presets::ConversionSettings& choices, engine::JobSpec& spec) {
  spec.recording_time.reset();
  if (!choices.keep_recording_date) return;
  if (const auto when = probe::recording_time(spec.input_path)) spec.recording_time = when->seconds;
}

}  // namespace batch

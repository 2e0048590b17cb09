#include "batch/job_setup.h"

#include "batch/format_table.h"
#include "batch/output_path.h"
#include "engine/state.h"

namespace batch {

namespace {

// 3GP carries AMR-NB, which only knows 8 kHz mono at 12.2 kbit/s here.
constexpr int k3gpSampleRate = 8000;
constexpr int k3gpChannels = 1;
constexpr int k3gpAudioBitRate = 12200;
constexpr int kSampleRate = 44100;
// The DVD targets mux a DVD-Video program stream, whose audio must be
// 48 kHz: players and authoring tools take AC-3 there as 48 kHz whatever the
// stream says, so 44.1 kHz audio would play at the wrong speed.
constexpr int kDvdSampleRate = 48000;
constexpr int kDefaultChannels = 2;

constexpr int kDvdTarget = 7;
constexpr int kDvdNtscTarget = 8;  // 720x480: group of pictures of 18

}  // namespace

void set_engine_parameters(int width, int height, float fps, int video_bit_rate, int sample_rate, int channels,
                           int audio_bit_rate) {
  auto& engine = engine::state();
  auto& p = engine.params;
  p.requested_width = width;
  p.requested_height = height;
  p.requested_frame_rate = fps;
  p.video_bit_rate = video_bit_rate;
  p.requested_sample_rate = sample_rate;
  p.requested_channels = channels;
  p.requested_audio_bit_rate = audio_bit_rate;
  engine.settings.video_disabled = 0;
  engine.settings.audio_disabled = 0;
}

std::filesystem::path prepare_job(const JobChoices& choices, const std::filesystem::path& source,
                                  const std::string& title) {
  auto& p = engine::state().params;

  // An unknown format keeps the earlier codec choices and target; the text
  // itself then serves as extension.
  std::string extension = choices.format;
  int channels = kDefaultChannels;
  if (const FormatChoice* row = format_choice(choices.format)) {
    p.video_codec_choice = row->video_codec_choice;
    p.audio_codec_choice = row->audio_codec_choice;
    p.output_target = row->output_target;
    extension = row->extension;
    channels = row->channels;
  }

  const auto output = make_output_path(source, title, choices.save_beside_source, choices.output_folder, extension);

  const bool is_3gp = extension == "3gp";
  const bool is_dvd = choices.format == "mpg2";
  const int sample_rate = is_3gp ? k3gpSampleRate : is_dvd ? kDvdSampleRate : kSampleRate;
  const int audio_channels = is_3gp ? k3gpChannels : channels;
  const int audio_bit_rate = is_3gp ? k3gpAudioBitRate : choices.audio_bitrate;
  p.aspect_choice = choices.aspect == 1 ? 1 : 2;

  set_engine_parameters(choices.width, choices.height, choices.fps, choices.video_bitrate, sample_rate,
                        audio_channels, audio_bit_rate);

  if (choices.format == "mpg2")
    p.output_target = (choices.width == 720 && choices.height == 480) ? kDvdNtscTarget : kDvdTarget;

  p.input_path = source.string();
  p.output_path = output.string();
  return output;
}

JobChoices job_choices(const presets::ConversionSettings& s) {
  JobChoices c;
  c.format = s.format;
  c.width = s.width;
  c.height = s.height;
  c.fps = s.fps;
  c.video_bitrate = s.video_bitrate;
  c.audio_bitrate = s.audio_bitrate;
  c.aspect = s.aspect;
  c.save_beside_source = s.save_beside_source;
  c.output_folder = s.output_folder;
  return c;
}

}  // namespace batch

// SPDX-License-Identifier: GPL-3.0-or-later
// Creating the destination: container and muxing preset from the output
// target, one stream per media type the input has, and the file itself,
// which is created exclusively so that an existing file is never touched.
#include <cstdio>
#include <ctime>
#include <optional>
#include <string_view>
#include <string>

extern "C" {
#include <libavutil/opt.h>
}

#include "engine/engine.h"
#include "engine/stream_copy.h"

namespace engine {

namespace {

// Consumes both forced formats, as every end of create_output_file does.
void clear_forced_formats(Job& job) {
  job.settings.forced_output_format = nullptr;
  job.settings.forced_input_format = nullptr;
}

void set_dvd_options(Job& job, const char* gop) {
  const std::string rate = std::to_string(job.spec.video_bit_rate);
  set_option(job, "gop", gop);
  set_option(job, "b", rate.c_str());
  set_option(job, "maxrate", rate.c_str());
  set_option(job, "minrate", "0");
  set_option(job, "bufsize", "1835008");
  set_option(job, "packetsize", "2048");
  set_option(job, "muxrate", "10080000");
}

// The container and options of `output_target`.
const AVOutputFormat* apply_output_target(Job& job) {
  auto& s = job.settings;
  const auto& p = job.spec;
  switch (p.output_target) {
    case 3: return av_guess_format("psp", nullptr, nullptr);
    case 7: set_dvd_options(job, "15"); return av_guess_format("dvd", nullptr, nullptr);
    case 8: set_dvd_options(job, "18"); return av_guess_format("dvd", nullptr, nullptr);
    case 9:
      choose_codec_name(s.video_codec_name, "mpeg1video");
      choose_codec_name(s.audio_codec_name, "mp2");
      force_container(job, "vcd");
      set_option(job, "gop", "15");
      set_option(job, "b", "1150000");
      set_option(job, "maxrate", "1150000");
      set_option(job, "minrate", "1150000");
      set_option(job, "bufsize", "327680");
      set_option(job, "ab", "224000");
      s.audio_sample_rate = 44100;
      s.audio_channels = 2;
      set_option(job, "packetsize", "2324");
      set_option(job, "muxrate", "1411200");
      s.mux_preload = 0.44f;
      return s.forced_output_format;
    default: {
      const std::string rate = std::to_string(p.video_bit_rate);
      set_option(job, "gop", "15");
      set_option(job, "b", rate.c_str());
      set_option(job, "maxrate", rate.c_str());
      set_option(job, "minrate", rate.c_str());
      set_option(job, "bufsize", "1835008");
      set_option(job, "packetsize", "2048");
      set_option(job, "muxrate", "10080000");
      return av_guess_format(nullptr, p.output_path.c_str(), nullptr);
    }
  }
}

// Creates the file only when no file of that name exists and hands its
// descriptor to the muxer. False (leaving nothing behind) on any failure,
// with the reason kept as the job's error.
bool create_exclusively(Job& job, OutputFile& file, const std::string& path) {
  int error = 0;
  file.sink = OutputSink::create(path, error);
  if (!file.sink) {
    note_error(job, Stage::create_output, error);
    return false;
  }
  AVFormatContext* oc = file.context.get();
  oc->pb = file.sink->io();
  oc->flags |= AVFMT_FLAG_CUSTOM_IO;
  return true;
}

// The recording's time on the output: the file's modification time, and the
// container's own creation time in the formats that have one (the MP4
// family's movie header, ASF's file properties, AVI's INFO date, Matroska's
// segment date and its DATE_RECORDED tag).
void stamp_recording_time(const Job& job, OutputFile& file) {
  const std::optional<int64_t>& when = job.spec.recording_time;
  if (!when) return;
  if (file.sink) file.sink->set_modification_time(*when);
  const std::string_view name = file.context->oformat->name;
  const bool matroska = name == "matroska";
  const char* key = nullptr;
  if (name == "mp4" || name == "mov" || name == "3gp" || name == "3g2" || name == "ipod" || name == "asf" || matroska)
    key = "creation_time";
  else if (name == "avi")
    key = "date";
  if (!key) return;
  const time_t seconds = static_cast<time_t>(*when);
  struct tm utc {};
  char text[32] = {};
  if (!gmtime_r(&seconds, &utc) || std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S.000000Z", &utc) == 0) return;
  av_dict_set(&file.context->metadata, key, text, 0);
  // Matroska's tag for the moment of recording, in its own notation (UTC).
  if (matroska && std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc) > 0)
    av_dict_set(&file.context->metadata, "DATE_RECORDED", text, 0);
}

}  // namespace

MediaTypes scan_input_media_types(const Job& job) {
  MediaTypes found;
  const auto& t = job.tables;
  for (int f = 0; f < t.input_file_count; ++f) {
    const AVFormatContext* ic = t.input_files[f]->context.get();
    for (unsigned i = 0; i < ic->nb_streams; ++i) {
      switch (ic->streams[i]->codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO: found.video = true; break;
        case AVMEDIA_TYPE_AUDIO: found.audio = true; break;
        case AVMEDIA_TYPE_SUBTITLE: found.subtitle = true; break;
        default: break;
      }
    }
  }
  return found;
}

void create_output_file(Job& job) {
  auto& s = job.settings;
  auto& t = job.tables;
  const auto& p = job.spec;
  if (t.output_file_count >= kMaxFiles) return clear_forced_formats(job);

  auto file = std::make_unique<OutputFile>();
  file->context.reset(avformat_alloc_context());
  AVFormatContext* oc = file->context.get();
  if (!oc) return clear_forced_formats(job);

  const AVOutputFormat* format = s.forced_output_format ? s.forced_output_format : apply_output_target(job);
  if (!format) {
    note_error(job, Stage::create_output, AVERROR_MUXER_NOT_FOUND);
    return clear_forced_formats(job);
  }
  oc->oformat = format;
  oc->url = av_strdup(p.output_path.c_str());

  bool video = format->video_codec != AV_CODEC_ID_NONE || s.video_codec_name;
  bool audio = format->audio_codec != AV_CODEC_ID_NONE || s.audio_codec_name;
  bool subtitle = format->subtitle_codec != AV_CODEC_ID_NONE || s.subtitle_codec_name;
  if (t.input_file_count > 0) {
    const MediaTypes in = scan_input_media_types(job);
    video = video && in.video;
    audio = audio && in.audio;
    subtitle = subtitle && in.subtitle;
  }
  if (s.video_disabled) video = false;
  if (s.audio_disabled) audio = false;
  if (s.subtitle_disabled) subtitle = false;
  if (t.output_codec_count + 3 > kMaxCodecEntries) return clear_forced_formats(job);

  // A stop after the streams were added takes their codec table entries back.
  const int codec_count_before = t.output_codec_count;
  auto stop = [&] {
    for (int i = codec_count_before; i < t.output_codec_count; ++i) t.output_codecs[i] = nullptr;
    t.output_codec_count = codec_count_before;
    clear_forced_formats(job);
  };
  if (p.copy != StreamCopy::none) {
    // A copy keeps the source's streams (and may refuse before any file
    // exists).
    if (!add_copy_streams(job, *file)) return stop();
  } else {
    if (video) add_video_stream(job, *file);
    if (audio) add_audio_stream(job, *file);
    if (subtitle) add_subtitle_stream(job, *file);
  }

  if (!(format->flags & AVFMT_NOFILE)) {
    if ((format->flags & AVFMT_NEEDNUMBER) && !av_filename_number_test(p.output_path.c_str()))
      return stop();
    // Never ask and never overwrite: an existing name means no output.
    if (p.output_path.empty() || !create_exclusively(job, *file, p.output_path)) return stop();
  }
  stamp_recording_time(job, *file);

  // Muxer timing: preload in microseconds (a private option of the MPEG
  // muxers, handed over with the header), the maximum muxing delay on the
  // context.
  const std::string preload = std::to_string(static_cast<int64_t>(s.mux_preload * 1000000.0f));
  av_dict_set(&file->muxer_options, "preload", preload.c_str(), 0);
  oc->max_delay = 699999;
  oc->flags |= AVFMT_FLAG_NONBLOCK;

  apply_registered_options(job, job.options->format_option_defaults, oc, AV_OPT_FLAG_ENCODING_PARAM);
  av_dict_copy(&file->muxer_options, job.options->muxer_private_options, 0);
  // The MP4 index before the media data: the muxer moves it there at the
  // end, reading the file back through the job's own descriptor.
  if (p.index_first && file->sink) {
    av_dict_set(&file->muxer_options, "movflags", "+faststart", 0);
    file->sink->let_muxer_read_back(oc);
  }

  t.output_files[t.output_file_count++] = std::move(file);
  clear_forced_formats(job);
}

}  // namespace engine

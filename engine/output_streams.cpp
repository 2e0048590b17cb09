// SPDX-License-Identifier: GPL-3.0-or-later
// The output streams: each gets a muxer stream and an Encoder whose context
// carries the parameters from the working settings; the transcode setup
// opens the encoders.
#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
}

extern "C" {
#include <libavutil/opt.h>
}

#include "engine/engine.h"
#include "engine/quality_video.h"

namespace engine {

Encoder* add_output_stream(OutputFile& output, AVMediaType type) {
  AVFormatContext* oc = output.context.get();
  auto encoder = std::make_unique<Encoder>();
  if (!encoder->context()) return nullptr;
  AVStream* st = avformat_new_stream(oc, nullptr);
  if (!st) return nullptr;
  st->id = static_cast<int>(oc->nb_streams) - 1;
  encoder->context()->codec_type = type;
  if (output.encoders.size() < oc->nb_streams) output.encoders.resize(oc->nb_streams);
  output.encoders[st->index] = std::move(encoder);
  return output.encoders[st->index].get();
}

namespace {

// When the container wants global headers, the encoder writes them there.
void set_global_header(Job& job, AVFormatContext* oc, AVCodecContext* c, AVMediaType type) {
  if (!(oc->oformat->flags & AVFMT_GLOBALHEADER)) return;
  c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (auto& entry = job.options->codec_option_defaults[type]) entry->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
}

// The encoder by name (recorded in output_codecs) or by codec id.
const EncoderDescriptor* choose_encoder(Job& job, std::optional<std::string>& name, AVCodecID default_id, AVMediaType type,
                                        AVCodecContext* c) {
  auto& t = job.tables;
  const EncoderDescriptor* d;
  if (name) {
    c->codec_id = lookup_codec_id(name->c_str(), type, true);
    d = c->codec_id != AV_CODEC_ID_NONE ? find_encoder_by_name(name->c_str()) : nullptr;
    t.output_codecs[t.output_codec_count] = d;
  } else {
    c->codec_id = default_id;
    d = find_encoder(default_id);
    t.output_codecs[t.output_codec_count] = nullptr;
  }
  return d;
}

template <class T, class End>
bool listed(const T* list, T value, End end) {
  for (; list && *list != end; ++list)
    if (*list == value) return true;
  return false;
}

}  // namespace

void add_video_stream(Job& job, OutputFile& output) {
  auto& s = job.settings;
  Encoder* encoder = add_output_stream(output, AVMEDIA_TYPE_VIDEO);
  if (!encoder) return;
  AVCodecContext* c = encoder->context();
  AVStream* st = output.context->streams[output.context->nb_streams - 1];
  if (s.video_codec_tag) c->codec_tag = s.video_codec_tag;
  set_global_header(job, output.context.get(), c, AVMEDIA_TYPE_VIDEO);

  apply_video_settings(job);
  AVRational fps = (s.frame_rate.num > 0 && s.frame_rate.den > 0) ? s.frame_rate : AVRational{25, 1};
  const EncoderDescriptor* d = choose_encoder(job, s.video_codec_name, s.video_codec_id, AVMEDIA_TYPE_VIDEO, c);
  // The constant-quality encoders keep their own tuning; the registry's
  // options are the designed formats'.
  const bool constant_quality = constant_quality_video(job.spec);
  if (constant_quality) {
    start_constant_quality(job, output.context.get(), *encoder, d);
    c = encoder->context();
  } else {
    apply_registered_options(job, job.options->codec_option_defaults[AVMEDIA_TYPE_VIDEO].get(), c,
                             AV_OPT_FLAG_ENCODING_PARAM | AV_OPT_FLAG_VIDEO_PARAM);
  }
  if (d && d->supported_framerates) fps = d->supported_framerates[av_find_nearest_q_idx(fps, d->supported_framerates)];

  c->time_base = {fps.den, fps.num};
  c->framerate = fps;
  c->width = s.frame_width;
  c->height = s.frame_height;
  AVRational sar{0, 1};
  if (s.frame_width > 0 && s.frame_height > 0 && s.frame_aspect_ratio > 0)
    sar = av_d2q(static_cast<double>(s.frame_aspect_ratio) * s.frame_height / s.frame_width, 255);
  c->sample_aspect_ratio = sar;
  st->sample_aspect_ratio = sar;

  c->pix_fmt = static_cast<AVPixelFormat>(s.frame_pixel_format);
  if (d && d->pix_fmts && !listed(d->pix_fmts, c->pix_fmt, AV_PIX_FMT_NONE)) c->pix_fmt = d->pix_fmts[0];

  // Encoders that can spread a picture over several threads do so; the
  // others (WMV2, MS-MPEG-4, FLV, H.263) stay on one, which is what
  // several files at once are for.
  c->thread_count = 0;
  c->thread_type = FF_THREAD_SLICE | FF_THREAD_FRAME;
  if (c->rc_initial_buffer_occupancy == 0) c->rc_initial_buffer_occupancy = c->rc_buffer_size * 3 / 4;
  if (constant_quality) finish_constant_quality(job, c);

  job.tables.output_codec_count++;
  s.video_disabled = 0;
  s.video_codec_name.reset();
}

void add_audio_stream(Job& job, OutputFile& output) {
  auto& s = job.settings;
  Encoder* encoder = add_output_stream(output, AVMEDIA_TYPE_AUDIO);
  if (!encoder) return;
  AVCodecContext* c = encoder->context();
  set_global_header(job, output.context.get(), c, AVMEDIA_TYPE_AUDIO);

  apply_registered_options(job, job.options->codec_option_defaults[AVMEDIA_TYPE_AUDIO].get(), c,
                           AV_OPT_FLAG_ENCODING_PARAM | AV_OPT_FLAG_AUDIO_PARAM);
  choose_audio_codec(job);
  const AVCodecID audio_id =
      s.audio_codec_id != AV_CODEC_ID_NONE ? s.audio_codec_id : output.context->oformat->audio_codec;
  const EncoderDescriptor* d = choose_encoder(job, s.audio_codec_name, audio_id, AVMEDIA_TYPE_AUDIO, c);

  // The input's channel layout only when it has the requested channel count;
  // otherwise the usual layout for that count.
  av_channel_layout_uninit(&c->ch_layout);
  const uint64_t mask = s.audio_channel_layout;
  if (mask && __builtin_popcountll(mask) == s.audio_channels)
    av_channel_layout_from_mask(&c->ch_layout, mask);
  else
    av_channel_layout_default(&c->ch_layout, std::max(s.audio_channels, 0));
  c->thread_count = 1;
  c->sample_fmt = static_cast<AVSampleFormat>(s.audio_sample_format);
  if (d && d->sample_fmts && !listed(d->sample_fmts, c->sample_fmt, AV_SAMPLE_FMT_NONE))
    c->sample_fmt = d->sample_fmts[0];

  job.tables.output_codec_count++;
  c->bit_rate = s.audio_bit_rate;
  c->sample_rate = s.audio_sample_rate;
  c->time_base = {1, s.audio_sample_rate > 0 ? s.audio_sample_rate : 1};
  s.audio_disabled = 0;
  s.audio_codec_name.reset();
}

void add_subtitle_stream(Job& job, OutputFile& output) {
  auto& s = job.settings;
  auto& t = job.tables;
  Encoder* encoder = add_output_stream(output, AVMEDIA_TYPE_SUBTITLE);
  if (!encoder) return;
  AVCodecContext* c = encoder->context();
  // Registered subtitle options go into the new context, as for video and
  // audio.
  apply_registered_options(job, job.options->codec_option_defaults[AVMEDIA_TYPE_SUBTITLE].get(), c,
                           AV_OPT_FLAG_ENCODING_PARAM | AV_OPT_FLAG_SUBTITLE_PARAM);
  const char* name = s.subtitle_codec_name ? s.subtitle_codec_name->c_str() : nullptr;
  c->codec_id = lookup_codec_id(name, AVMEDIA_TYPE_SUBTITLE, true);
  t.output_codecs[t.output_codec_count] = c->codec_id != AV_CODEC_ID_NONE ? find_encoder_by_name(name) : nullptr;
  t.output_codec_count++;
  s.subtitle_disabled = 0;
  s.subtitle_codec_name.reset();
}

}  // namespace engine

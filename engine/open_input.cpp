// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the source: probe the container, make a decoder context per
// stream (opened later by the transcode setup) and take the input's picture
// and sound properties into the working settings.
#include <cmath>
#include <vector>

extern "C" {
#include <libavutil/opt.h>
}

#include "engine/engine.h"

namespace engine {

namespace {

// The sample format the decoder will deliver, which may differ from the
// container's report (MP2: fltp in the stream, s16p from the decoder).
int decoded_sample_format(const AVCodecParameters* par, const AVCodec* decoder) {
  if (!decoder) return par->format;
  CodecContextPtr probe(avcodec_alloc_context3(decoder));
  if (!probe || avcodec_parameters_to_context(probe.get(), par) < 0) return par->format;
  if (avcodec_open2(probe.get(), decoder, nullptr) < 0) return par->format;
  return probe->sample_fmt;
}

const AVCodec* decoder_by_name(const std::optional<std::string>& name) {
  return name ? avcodec_find_decoder_by_name(name->c_str()) : nullptr;
}

// A measured rate (a short or damaged file gives 29.93 for 29.97) as the
// broadcast rate within half a percent of it, else as measured.
AVRational usual_rate(AVRational measured) {
  static const AVRational kUsual[] = {{24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {30, 1},
                                      {50, 1},       {60000, 1001}, {60, 1}};
  const double value = av_q2d(measured);
  for (const AVRational usual : kUsual)
    if (std::fabs(value / av_q2d(usual) - 1.0) < 0.005) return usual;
  return measured;
}

// What "the source's" size and rate stand for: the first video stream with
// a picture size. Its average rate counts frames; the real base rate of
// field-coded H.264 counts fields.
void note_source_picture(WorkingSettings& s, const AVFormatContext* ic) {
  s.source_width = s.source_height = 0;
  s.source_frame_rate = {0, 0};
  s.source_interlaced = false;
  s.source_field_order = AV_FIELD_UNKNOWN;
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    const AVStream* st = ic->streams[i];
    const AVCodecParameters* par = st->codecpar;
    if (par->codec_type != AVMEDIA_TYPE_VIDEO || par->width <= 0 || par->height <= 0) continue;
    s.source_width = par->width;
    s.source_height = par->height;
    s.source_frame_rate = usual_rate(st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0 ? st->avg_frame_rate
                                                                                              : st->r_frame_rate);
    s.source_interlaced = par->field_order == AV_FIELD_TT || par->field_order == AV_FIELD_BB ||
                          par->field_order == AV_FIELD_TB || par->field_order == AV_FIELD_BT;
    s.source_field_order = par->field_order;
    return;
  }
}

// Consumes the per-type codec names and both forced formats.
void finish_open(Job& job) {
  auto& s = job.settings;
  s.forced_input_format = nullptr;
  s.forced_output_format = nullptr;
  s.video_codec_name.reset();
  s.audio_codec_name.reset();
  s.subtitle_codec_name.reset();
}

}  // namespace

void open_input(Job& job, const std::string& path) {
  auto& s = job.settings;
  auto& t = job.tables;
  auto& reg = *job.options;
  if (t.input_file_count >= kMaxFiles || path.empty()) return finish_open(job);

  // A recording in parts is read through one I/O context over all of them.
  std::unique_ptr<JoinedSource> joined;
  if (!job.spec.further_parts.empty()) {
    std::vector<std::string> parts{path};
    parts.insert(parts.end(), job.spec.further_parts.begin(), job.spec.further_parts.end());
    int error = 0;
    joined = JoinedSource::open(parts, error);
    if (!joined) {
      note_error(job, Stage::open_input, error);
      return finish_open(job);
    }
  }

  AVFormatContext* raw = avformat_alloc_context();
  if (!raw) return finish_open(job);
  if (joined) {
    raw->pb = joined->io();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
  }
  apply_registered_options(job, reg.format_option_defaults, raw, AV_OPT_FLAG_DECODING_PARAM);
  raw->video_codec_id = lookup_codec_id(s.video_codec_name ? s.video_codec_name->c_str() : nullptr,
                                        AVMEDIA_TYPE_VIDEO, false);
  raw->audio_codec_id = lookup_codec_id(s.audio_codec_name ? s.audio_codec_name->c_str() : nullptr,
                                        AVMEDIA_TYPE_AUDIO, false);
  raw->subtitle_codec_id = lookup_codec_id(s.subtitle_codec_name ? s.subtitle_codec_name->c_str() : nullptr,
                                           AVMEDIA_TYPE_SUBTITLE, false);
  raw->flags |= AVFMT_FLAG_NONBLOCK;

  // The "file:" prefix keeps a name with a ':' from being taken for a
  // network or other protocol.
  const std::string url = "file:" + path;
  if (const int opened = avformat_open_input(&raw, url.c_str(), s.forced_input_format, nullptr); opened < 0) {
    note_error(job, Stage::open_input, opened);
    return finish_open(job);  // the library freed the context
  }
  // Declared after the parts, so on every return below the demuxer is
  // closed before the I/O it reads through.
  InputContextPtr ic(raw);
  if (const int found = avformat_find_stream_info(ic.get(), nullptr); found < 0) {
    note_error(job, Stage::open_input, found);
    return finish_open(job);
  }
  const int64_t timestamp = ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0;
  note_source_picture(s, ic.get());

  if (t.input_codec_count + static_cast<int>(ic->nb_streams) > kMaxCodecEntries) return finish_open(job);
  auto file = std::make_unique<InputFile>();
  file->joined = std::move(joined);
  std::vector<const AVCodec*> named(ic->nb_streams, nullptr);
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    AVStream* st = ic->streams[i];
    AVCodecParameters* par = st->codecpar;
    const AVMediaType type = par->codec_type;
    const AVCodec* chosen = nullptr;
    switch (type) {
      case AVMEDIA_TYPE_VIDEO: chosen = decoder_by_name(s.video_codec_name); break;
      case AVMEDIA_TYPE_AUDIO: chosen = decoder_by_name(s.audio_codec_name); break;
      case AVMEDIA_TYPE_SUBTITLE: chosen = decoder_by_name(s.subtitle_codec_name); break;
      case AVMEDIA_TYPE_DATA:
      case AVMEDIA_TYPE_ATTACHMENT:
      case AVMEDIA_TYPE_UNKNOWN: break;
      default: return finish_open(job);
    }
    named[i] = chosen;
    const AVCodec* decoder = chosen ? chosen : avcodec_find_decoder(par->codec_id);
    CodecContextPtr dec(avcodec_alloc_context3(decoder));
    if (!dec || avcodec_parameters_to_context(dec.get(), par) < 0) return finish_open(job);
    dec->pkt_timebase = st->time_base;
    // Every core decodes: the library's own thread count, frame threads
    // where the decoder has them (H.264), slices otherwise.
    dec->thread_count = 0;
    dec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;

    if (type == AVMEDIA_TYPE_VIDEO) {
      apply_registered_options(job, reg.codec_option_defaults[AVMEDIA_TYPE_VIDEO].get(), dec.get(),
                               AV_OPT_FLAG_DECODING_PARAM | AV_OPT_FLAG_VIDEO_PARAM);
      s.frame_width = par->width;
      s.frame_height = par->height;
      const AVRational sar = st->sample_aspect_ratio.num ? st->sample_aspect_ratio : par->sample_aspect_ratio;
      s.frame_aspect_ratio =
          par->height > 0 ? static_cast<float>(static_cast<double>(par->width) / par->height * av_q2d(sar)) : 0.0f;
      s.frame_pixel_format = par->format;
      s.frame_rate = st->r_frame_rate;
      if (s.video_disabled) st->discard = AVDISCARD_ALL;
    } else if (type == AVMEDIA_TYPE_AUDIO) {
      apply_registered_options(job, reg.codec_option_defaults[AVMEDIA_TYPE_AUDIO].get(), dec.get(),
                               AV_OPT_FLAG_DECODING_PARAM | AV_OPT_FLAG_AUDIO_PARAM);
      s.audio_channel_layout = par->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? par->ch_layout.u.mask : 0;
      s.audio_channels = par->ch_layout.nb_channels;
      s.audio_sample_rate = par->sample_rate;
      s.audio_sample_format = decoded_sample_format(par, decoder);
      if (s.audio_disabled) st->discard = AVDISCARD_ALL;
    } else if (type == AVMEDIA_TYPE_SUBTITLE) {
      if (s.subtitle_disabled) st->discard = AVDISCARD_ALL;
    }
    file->decoders.push_back(std::move(dec));
  }

  // Register: one input_codecs entry per stream, so entry i belongs to the
  // run's i-th input stream.
  for (const AVCodec* c : named) t.input_codecs[t.input_codec_count++] = c;
  const int index = t.input_file_count;
  t.input_ts_offsets[index] = -timestamp;
  av_dump_format(ic.get(), index, path.c_str(), 0);
  file->context = std::move(ic);
  t.input_files[index] = std::move(file);
  t.input_file_count = index + 1;
  finish_open(job);
}

}  // namespace engine

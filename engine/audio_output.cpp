// SPDX-License-Identifier: GPL-3.0-or-later
// Audio output: one chunk of decoded samples becomes encoded packets of an
// output stream. Rate, channel and sample-format changes go through
// libswresample; the samples queue in the stream's FIFO and leave it in
// chunks of exactly one encoder frame. The output clock counts samples and
// is set from the input clock at every chunk.
#include <cmath>
#include <cstdio>

#include "engine/engine.h"
#include "engine/output_packets.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

namespace engine {

namespace {

// The channel layout to use for `layout`: itself when it is a proper one,
// else the default order for its channel count.
AVChannelLayout usable_layout(const AVChannelLayout& layout, int channels) {
  AVChannelLayout out{};
  if (layout.nb_channels == channels && layout.order != AV_CHANNEL_ORDER_UNSPEC &&
      av_channel_layout_check(&layout) && av_channel_layout_copy(&out, &layout) >= 0)
    return out;
  av_channel_layout_default(&out, channels);
  return out;
}

int channel_count(const AVFrame* frame) { return frame->ch_layout.nb_channels; }

// A conversion context from the chunk's layout, rate and format to the
// encoder's. The resampler is made with a 16-tap filter,
// 2^10 phases, no linear interpolation and a 0.8 cut-off.
SwrPtr make_converter(const AVCodecContext* enc, const AVFrame* in, int in_rate, bool resampler) {
  AVChannelLayout out_layout = usable_layout(enc->ch_layout, enc->ch_layout.nb_channels);
  AVChannelLayout in_layout = usable_layout(in->ch_layout, channel_count(in));
  SwrContext* swr = nullptr;
  int ret = swr_alloc_set_opts2(&swr, &out_layout, enc->sample_fmt, enc->sample_rate, &in_layout,
                                static_cast<AVSampleFormat>(in->format), in_rate, 0, nullptr);
  av_channel_layout_uninit(&out_layout);
  av_channel_layout_uninit(&in_layout);
  SwrPtr owned(swr);
  if (ret < 0 || !swr) return nullptr;
  if (resampler) {
    av_opt_set_int(swr, "filter_size", 16, 0);
    av_opt_set_int(swr, "phase_shift", 10, 0);
    av_opt_set_int(swr, "linear_interp", 0, 0);
    av_opt_set_double(swr, "cutoff", 0.8, 0);
  }
  if (swr_init(swr) < 0) return nullptr;
  return owned;
}

// Whether a conversion context was made for chunks shaped like `in`. A
// chunk that differs (a broadcast switching from 5.1 to stereo) gets a new
// context rather than one that would read planes the chunk does not have.
bool made_for(SwrContext* swr, const AVFrame* in, int in_rate) {
  int64_t format = -1, rate = 0;
  AVChannelLayout layout{};
  if (av_opt_get_int(swr, "isf", 0, &format) < 0 || av_opt_get_int(swr, "isr", 0, &rate) < 0 ||
      av_opt_get_chlayout(swr, "ichl", 0, &layout) < 0)
    return false;
  const bool same = format == in->format && rate == in_rate && layout.nb_channels == channel_count(in);
  av_channel_layout_uninit(&layout);
  return same;
}

// Step 2 of the chunk: the resampler, made from the first decoded chunk
// (and again when the input changes shape). False when it cannot be made:
// the sound cannot be converted, and the job fails with the alert.
bool ensure_resampler(Job& job, OutputStream& ost, const AVCodecContext* enc, const AVFrame* in, int in_rate) {
  if (ost.resampler && made_for(ost.resampler.get(), in, in_rate)) return true;
  if (ost.resampler_failed) return false;
  if (in->format != AV_SAMPLE_FMT_S16 && in->format != AV_SAMPLE_FMT_S16P)
    std::fputs("resampling problem may occur\n", stderr);
  ost.resampler = make_converter(enc, in, in_rate, true);
  if (!ost.resampler) {
    ost.resampler_failed = true;
    note_alert(job, JobAlert::no_resampler, Stage::setup, AVERROR(EINVAL));
    return false;
  }
  return true;
}

// Step 3: the format converter, re-made whenever the format pair changes.
bool ensure_converter(OutputStream& ost, const AVCodecContext* enc, const AVFrame* in, int in_rate) {
  const std::pair<int, int> pair{in->format, enc->sample_fmt};
  if (ost.sample_converter && pair == ost.sample_format_pair && made_for(ost.sample_converter.get(), in, in_rate))
    return true;
  ost.sample_converter = make_converter(enc, in, in_rate, false);
  if (!ost.sample_converter) return false;
  ost.sample_format_pair = pair;
  return true;
}

// Runs `swr` over the chunk into the shared buffer; the sample count per
// channel, negative on failure.
int convert(Job& job, SwrContext* swr, const AVCodecContext* enc, const AVFrame* in, uint8_t*** out) {
  const int room = swr_get_out_samples(swr, in->nb_samples);
  if (room < 0) return -1;
  uint8_t** data = job.buffers.converted.reserve(std::max(room, 1), enc->ch_layout.nb_channels, enc->sample_fmt);
  if (!data) return -1;
  *out = data;
  return swr_convert(swr, data, room, const_cast<const uint8_t**>(in->extended_data), in->nb_samples);
}

// One encoder frame of `samples` from the FIFO; false when the encoder
// refuses it (that frame is lost, later samples stay queued).
bool encode_from_fifo(Job& job, AVFormatContext* output, OutputStream& ost, int samples) {
  const AVCodecContext* enc = ost.encoder->context();
  AVFrame* frame = job.buffers.audio_frame.get();
  if (!frame) return false;
  av_frame_unref(frame);
  frame->nb_samples = samples;
  frame->format = enc->sample_fmt;
  frame->sample_rate = enc->sample_rate;
  if (av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout) < 0 || av_frame_get_buffer(frame, 0) < 0)
    return false;
  if (av_audio_fifo_read(ost.audio_fifo.get(), reinterpret_cast<void**>(frame->extended_data), samples) <
      samples)
    return false;
  frame->pts = ost.sync_pts;
  const int sent = ost.encoder->send_frame(frame);
  av_frame_unref(frame);
  if (sent < 0) return false;
  write_ready_packets(job, output, ost);
  return true;
}

}  // namespace

void write_audio_samples(Job& job, AVFormatContext* output, OutputStream& ost, const AVFrame* samples) {
  if (!ost.encoder || !ost.encoder->is_open() || !samples || samples->nb_samples <= 0) return;
  AVCodecContext* enc = ost.encoder->context();
  const int out_channels = enc->ch_layout.nb_channels;
  if (out_channels <= 0 || enc->sample_rate <= 0) return;
  // A chunk without a rate or channels (a damaged stream) cannot be placed
  // in time or converted: it is dropped.
  // (The packet step gives a chunk without one the decoder's rate.)
  const int in_rate = samples->sample_rate;
  if (in_rate <= 0 || channel_count(samples) <= 0) return;

  // Step 2 and 3: what conversion the chunk needs.
  if (out_channels != channel_count(samples)) ost.audio_resample_needed = 1;
  if (in_rate != enc->sample_rate) ost.audio_resample_needed = 1;
  SwrContext* swr = nullptr;
  if (ost.audio_resample_needed) {
    if (!ensure_resampler(job, ost, enc, samples, in_rate)) return;
    swr = ost.resampler.get();
  } else if (samples->format != enc->sample_fmt) {
    if (!ensure_converter(ost, enc, samples, in_rate)) return;
    swr = ost.sample_converter.get();
  }

  if (!ost.audio_fifo) {
    ost.audio_fifo.reset(av_audio_fifo_alloc(enc->sample_fmt, out_channels, 1024));
    if (!ost.audio_fifo) return;
  }

  // Step 4: the output clock. The first chunk sets it from the input clock,
  // less what still waits; from then on it counts samples, so that sound
  // timestamps never step back (a player or dvdauthor takes a step back
  // for damage, and a muxer refuses it). Only a gap in the source's sound
  // longer than a picture (25 a second) moves it on to the input clock.
  const double t = sync_input_seconds(ost);
  const int64_t queued = av_audio_fifo_size(ost.audio_fifo.get());
  const int64_t anchored = static_cast<int64_t>(std::floor(t * enc->sample_rate) - static_cast<double>(queued));
  const bool first = enc->frame_number == 0 && queued == 0;
  if (first || anchored > ost.sync_pts + enc->sample_rate / 25) ost.sync_pts = anchored;

  // Steps 5 and 6: the samples in the encoder's rate, layout and format.
  uint8_t** data = samples->extended_data;
  int count = samples->nb_samples;
  if (swr) {
    count = convert(job, swr, enc, samples, &data);
    if (count < 0) return;
  }
  if (count == 0) return;

  if (enc->frame_size > 1) {
    // Step 7a: whole encoder frames from the FIFO.
    if (av_audio_fifo_write(ost.audio_fifo.get(), reinterpret_cast<void**>(data), count) < count) return;
    while (av_audio_fifo_size(ost.audio_fifo.get()) >= enc->frame_size) {
      if (!encode_from_fifo(job, output, ost, enc->frame_size)) return;
      ost.sync_pts += enc->frame_size;
    }
    return;
  }

  // Step 7b: sample-by-sample encoders take the whole chunk at once.
  AVFrame* frame = job.buffers.audio_frame.get();
  if (!frame) return;
  av_frame_unref(frame);
  frame->nb_samples = count;
  frame->format = enc->sample_fmt;
  frame->sample_rate = enc->sample_rate;
  if (av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout) < 0 || av_frame_get_buffer(frame, 0) < 0)
    return;
  av_samples_copy(frame->extended_data, data, 0, 0, count, out_channels, enc->sample_fmt);
  frame->pts = ost.sync_pts;
  ost.sync_pts += count;
  const int sent = ost.encoder->send_frame(frame);
  av_frame_unref(frame);
  if (sent >= 0) write_ready_packets(job, output, ost);
}

}  // namespace engine

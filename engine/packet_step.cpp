// SPDX-License-Identifier: GPL-3.0-or-later
// The per-packet step: decodes one demuxed packet (or drains the decoder at
// the end of the input), advances the input stream's clock, counts and
// previews pictures, passes pictures through the picture stages of the
// output streams fed by this input stream and hands them and the samples
// on to the encoders, and at the end of the input drains them.
#include <cstdio>

#include "engine/engine.h"
#include "engine/output_packets.h"
#include "engine/stream_copy.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
}

namespace engine {

namespace {

constexpr int64_t kMicroseconds = 1000000;

// Input clock after a decoded picture: the decoder's frame period times the
// ticks this picture lasts (a field-repeat flag from the parser adds one).
void advance_video_clock(InputStream& ist) {
  const AVCodecContext* dec = ist.decoder;
  if (dec->time_base.num == 0 || dec->time_base.den == 0) return;
  const AVCodecParserContext* parser = av_stream_get_parser(ist.stream);
  const int64_t ticks = parser ? parser->repeat_pict + 1 : dec->ticks_per_frame;
  ist.next_pts += static_cast<int64_t>(dec->time_base.num) * ticks * kMicroseconds / dec->time_base.den;
}

// Input clock after decoded audio: the duration of the samples delivered.
void advance_audio_clock(InputStream& ist, const AVFrame* frame) {
  const int rate = frame->sample_rate > 0 ? frame->sample_rate : ist.decoder->sample_rate;
  if (rate <= 0) return;
  ist.next_pts += static_cast<int64_t>(frame->nb_samples) * kMicroseconds / rate;
}

// Counts the picture for the progress display and shows one in ten in the
// preview while the option is on.
void note_picture(Job& job, const InputStream& ist, const AVFrame* frame) {
  const JobHooks& hooks = job.hooks;
  const int left = hooks.preview_countdown ? hooks.preview_countdown->fetch_sub(1, std::memory_order_relaxed) - 1 : 1;
  if (hooks.preview && hooks.preview->load(std::memory_order_relaxed) && left <= 0 && hooks.show_preview_picture) {
    hooks.preview_countdown->store(10, std::memory_order_relaxed);
    hooks.show_preview_picture(frame, ist.decoder);
  }
  job.counters.decoded_frame_count.fetch_add(1, std::memory_order_relaxed);
}

// The thread that decodes: the picture through the picture stage of every
// output stream fed by this input stream, at input time `clock` (µs). -1
// when such a stream is not a video stream.
int stage_frame(Job& job, Run& run, int ist_index, const AVFrame* picture, int64_t clock) {
  for (size_t i = 0; i < run.output_streams.size(); ++i) {
    const OutputStream& ost = *run.output_streams[i];
    if (ost.source_index != ist_index || !ost.encoder || !ost.encoder->context()) continue;
    if (ost.encoder->context()->codec_type != AVMEDIA_TYPE_VIDEO) return -1;
    stage_picture(job, run, static_cast<int>(i), picture, clock);
  }
  return 0;
}

// Hands decoded samples to every output stream whose source is this input
// stream. -1 when such a stream is not an audio stream.
int dispatch_samples(Job& job, Run& run, int ist_index, const AVFrame* samples) {
  auto& files = job.tables.output_files;
  for (auto& ost : run.output_streams) {
    if (ost->source_index != ist_index || !ost->encoder || !ost->encoder->context()) continue;
    if (ost->encoder->context()->codec_type != AVMEDIA_TYPE_AUDIO) return -1;
    write_audio_samples(job, files[ost->file_index]->context.get(), *ost, samples);
  }
  return 0;
}

int dispatch_subtitle(Job& job, Run& run, int ist_index, const AVSubtitle* subtitle, int64_t pts) {
  auto& files = job.tables.output_files;
  InputStream& ist = *run.input_streams[ist_index];
  for (auto& ost : run.output_streams) {
    if (ost->source_index != ist_index || !ost->encoder || !ost->encoder->context()) continue;
    if (ost->encoder->context()->codec_type != AVMEDIA_TYPE_SUBTITLE) return -1;
    write_subtitle(job, files[ost->file_index]->context.get(), *ost, ist, subtitle, pts);
  }
  return 0;
}

// Receives every frame the decoder has ready; one pass per frame. Ends at
// "needs more input" (0) or, once drained, at end of stream (0); -1 on a
// decode error.
int receive_frames(Job& job, Run& run, InputStream& ist, int ist_index) {
  AVFrame* frame = job.buffers.decoded.get();
  if (!frame) return -1;  // no decode buffer: a decode failure, never a write into nothing
  const bool video = ist.decoder->codec_type == AVMEDIA_TYPE_VIDEO;
  for (;;) {
    int ret = avcodec_receive_frame(ist.decoder, frame);
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return 0;
    if (ret < 0) return -1;
    ist.pts = ist.next_pts;
    // A decoder working on several frames at once hands a picture out some
    // packets after its own: the clock of the packet last sent would place
    // it late. Its own timestamp places it where it belongs.
    if (video && (ist.decoder->active_thread_type & FF_THREAD_FRAME) && frame->best_effort_timestamp != AV_NOPTS_VALUE)
      ist.next_pts = ist.pts = av_rescale_q(frame->best_effort_timestamp, ist.stream->time_base, AV_TIME_BASE_Q);
    if (video) {
      note_picture(job, ist, frame);
      advance_video_clock(ist);
    } else {
      // Some decoders leave the rate unset on a frame of a damaged stream;
      // the decoder's own rate stands for it.
      if (frame->sample_rate <= 0) frame->sample_rate = ist.decoder->sample_rate;
      advance_audio_clock(ist, frame);
    }
    ist.is_start = 0;
    if (video) {
      ret = stage_frame(job, run, ist_index, frame, ist.pts);
    } else if (run.ahead) {
      // Given on with the clock it has now; the encoding side reads nothing
      // else of the input stream.
      Decoded item;
      item.ist_index = ist_index;
      item.clock = ist.pts;
      item.frame.reset(av_frame_alloc());
      if (!item.frame) return -1;
      av_frame_move_ref(item.frame.get(), frame);
      run.ahead->push(std::move(item));
      continue;
    } else {
      ist.dispatch_pts = ist.pts;
      ret = dispatch_samples(job, run, ist_index, frame);
    }
    av_frame_unref(frame);
    if (ret < 0) return -1;
  }
}

int decode_subtitle(Job& job, Run& run, InputStream& ist, int ist_index, const AVPacket* packet) {
  AVPacket* working = job.buffers.subtitle_packet.get();
  if (!working) return -1;
  if (packet && av_packet_ref(working, packet) < 0) return -1;
  AVSubtitle subtitle{};
  int got = 0;
  ist.pts = ist.next_pts;
  const int ret = avcodec_decode_subtitle2(ist.decoder, &subtitle, &got, working);
  const int64_t pts = packet ? packet->pts : AV_NOPTS_VALUE;
  av_packet_unref(working);
  if (ret < 0 || !got) {
    avsubtitle_free(&subtitle);
    return ret < 0 ? -1 : 0;
  }
  if (run.ahead) {
    Decoded item;
    item.kind = Decoded::Kind::subtitle;
    item.ist_index = ist_index;
    item.clock = ist.pts;
    item.subtitle_pts = pts;
    item.subtitle.reset(new AVSubtitle(subtitle));  // takes over its rectangles
    run.ahead->push(std::move(item));
    return 0;
  }
  ist.dispatch_pts = ist.pts;
  const int result = dispatch_subtitle(job, run, ist_index, &subtitle, pts);
  avsubtitle_free(&subtitle);
  return result;
}

// Sends one packet (or the end of input) to a video or audio decoder and
// takes every frame it then delivers.
int decode_packet(Job& job, Run& run, InputStream& ist, int ist_index, const AVPacket* packet) {
  if (!packet) {
    if (ist.decoder_drained) return 0;
    ist.decoder_drained = true;
  }
  const int sent = avcodec_send_packet(ist.decoder, packet);
  // A full decoder would take the packet after its frames are read; with
  // one receive after every send it never answers so, but stay correct.
  if (sent == AVERROR(EAGAIN)) {
    if (receive_frames(job, run, ist, ist_index) < 0) return -1;
    if (avcodec_send_packet(ist.decoder, packet) < 0) return -1;
  } else if (sent < 0 && sent != AVERROR_EOF) {
    return -1;
  }
  return receive_frames(job, run, ist, ist_index);
}

// The last short audio frame: encoders that accept a smaller final frame
// get what is still queued; for the others the remainder is not encoded.
int encode_audio_remainder(OutputStream& ost) {
  AVCodecContext* enc = ost.encoder->context();
  const EncoderDescriptor* desc = ost.encoder->descriptor();
  if (!ost.audio_fifo || !desc || !(desc->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME)) return 0;
  const int queued = av_audio_fifo_size(ost.audio_fifo.get());
  if (queued <= 0) return 0;
  FramePtr frame(av_frame_alloc());
  if (!frame) return -1;
  frame->nb_samples = queued;
  frame->format = enc->sample_fmt;
  frame->sample_rate = enc->sample_rate;
  if (av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout) < 0) return -1;
  if (av_frame_get_buffer(frame.get(), 0) < 0) return -1;
  if (av_audio_fifo_read(ost.audio_fifo.get(), reinterpret_cast<void**>(frame->extended_data), queued) < queued)
    return -1;
  frame->pts = ost.sync_pts;
  ost.sync_pts += queued;
  return ost.encoder->send_frame(frame.get());
}

// End-of-input flush of the encoders fed by this input stream.
int flush_encoders(Job& job, Run& run, int ist_index) {
  auto& files = job.tables.output_files;
  for (auto& ost : run.output_streams) {
    if (ost->source_index != ist_index || !ost->encoder || !ost->encoder->is_open()) continue;
    AVCodecContext* enc = ost->encoder->context();
    AVFormatContext* output = files[ost->file_index]->context.get();
    if (enc->codec_type == AVMEDIA_TYPE_AUDIO) {
      // Sample-by-sample encoders (PCM) hold nothing back.
      if (enc->frame_size <= 1) continue;
      if (encode_audio_remainder(*ost) >= 0) write_ready_packets(job, output, *ost);
      if (ost->encoder->send_frame(nullptr) < 0) return 1;
    } else if (enc->codec_type == AVMEDIA_TYPE_VIDEO) {
      if (ost->encoder->send_frame(nullptr) < 0) continue;
    } else {
      continue;
    }
    write_ready_packets(job, output, *ost);
  }
  return 0;
}

}  // namespace

int process_input_packet(Job& job, Run& run, InputStream& ist, int ist_index, const AVPacket* packet) {
  if (!ist.decoder) return -1;
  if (ist.next_pts == AV_NOPTS_VALUE) ist.next_pts = ist.pts;
  if (packet && packet->dts != AV_NOPTS_VALUE) {
    ist.next_pts = ist.pts = av_rescale_q(packet->dts, ist.stream->time_base, AV_TIME_BASE_Q);
  }

  int ret = 0;
  switch (ist.decoder->codec_type) {
    case AVMEDIA_TYPE_VIDEO:
    case AVMEDIA_TYPE_AUDIO: ret = decode_packet(job, run, ist, ist_index, packet); break;
    case AVMEDIA_TYPE_SUBTITLE: ret = decode_subtitle(job, run, ist, ist_index, packet); break;
    default: return -1;
  }
  if (packet) return ret;
  // End of input: the decoder is drained (whatever it reported), and so are
  // the picture stages it fed; now their encoders give up what they still
  // hold.
  for (size_t i = 0; i < run.output_streams.size(); ++i)
    if (run.output_streams[i]->source_index == ist_index) drain_picture_stage(job, run, static_cast<int>(i));
  if (run.ahead) {
    Decoded item;
    item.kind = Decoded::Kind::end_of_stream;
    item.ist_index = ist_index;
    run.ahead->push(std::move(item));
    return 0;
  }
  return flush_encoders(job, run, ist_index);
}

int encode_decoded(Job& job, Run& run, Decoded& item) {
  if (item.ist_index < 0 || item.ist_index >= static_cast<int>(run.input_streams.size())) return -1;
  InputStream& ist = *run.input_streams[item.ist_index];
  switch (item.kind) {
    case Decoded::Kind::frame:
      ist.dispatch_pts = item.clock;
      return dispatch_samples(job, run, item.ist_index, item.frame.get());
    case Decoded::Kind::picture: {
      if (item.ost_index < 0 || item.ost_index >= static_cast<int>(run.output_streams.size())) return -1;
      OutputStream& ost = *run.output_streams[item.ost_index];
      encode_ready_picture(job, job.tables.output_files[ost.file_index]->context.get(), ost, item.frame.get(),
                           item.first_pts, item.count);
      return 0;
    }
    case Decoded::Kind::subtitle:
      ist.dispatch_pts = item.clock;
      return dispatch_subtitle(job, run, item.ist_index, item.subtitle.get(), item.subtitle_pts);
    case Decoded::Kind::end_of_stream: return flush_encoders(job, run, item.ist_index);
    case Decoded::Kind::packet: {
      if (item.ost_index < 0 || item.ost_index >= static_cast<int>(run.output_streams.size())) return -1;
      OutputStream& ost = *run.output_streams[item.ost_index];
      write_copied_packet(job, job.tables.output_files[ost.file_index]->context.get(), ost, ist, item.packet.get());
      return 0;
    }
  }
  return -1;
}

}  // namespace engine

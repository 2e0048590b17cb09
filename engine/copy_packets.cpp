// SPDX-License-Identifier: GPL-3.0-or-later
// Copied packets on their way from the demuxer to the muxer. The thread that
// reads keeps the input stream's clock as the decoding path does (so that a
// jump in the source's timeline is repaired the same way), fills in missing
// timestamps, counts pictures and previews key pictures; the job's thread
// makes the timestamps rise as the muxer needs and writes the packet.
#include <algorithm>

#include "engine/engine.h"
#include "engine/stream_copy.h"

namespace engine {

namespace {

constexpr int64_t kMicroseconds = 1000000;

// µs the packet lasts: its own duration, else a picture at the stream's
// rate or the samples of an audio frame; 0 when nothing says.
int64_t packet_duration(const InputStream& ist, const AVPacket* packet) {
  const AVStream* st = ist.stream;
  if (packet->duration > 0) return av_rescale_q(packet->duration, st->time_base, AV_TIME_BASE_Q);
  const AVCodecParameters* par = st->codecpar;
  if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
    const AVRational rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
    return rate.num > 0 && rate.den > 0 ? av_rescale_q(1, av_inv_q(rate), AV_TIME_BASE_Q) : 0;
  }
  if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->sample_rate > 0) {
    const int samples = av_get_audio_frame_duration2(const_cast<AVCodecParameters*>(par), packet->size);
    return samples > 0 ? static_cast<int64_t>(samples) * kMicroseconds / par->sample_rate : 0;
  }
  return 0;
}

// One key picture in ten to the preview while it is on: decoded on its own
// by the stream's decoder (opened for this alone, one thread), then shown.
void preview_key_picture(Job& job, InputStream& ist, const AVPacket* packet) {
  const JobHooks& hooks = job.hooks;
  if (!(packet->flags & AV_PKT_FLAG_KEY) || !hooks.show_preview_picture || !hooks.preview) return;
  const int left = hooks.preview_countdown ? hooks.preview_countdown->fetch_sub(1, std::memory_order_relaxed) - 1 : 1;
  if (left > 0 || !hooks.preview->load(std::memory_order_relaxed)) return;
  if (hooks.preview_countdown) hooks.preview_countdown->store(10, std::memory_order_relaxed);
  AVCodecContext* decoder = ist.decoder;
  if (!decoder) return;
  if (!avcodec_is_open(decoder)) {
    decoder->thread_count = 1;
    const AVCodec* codec = avcodec_find_decoder(ist.stream->codecpar->codec_id);
    if (!codec || avcodec_open2(decoder, codec, nullptr) < 0) return;
  }
  AVFrame* picture = job.buffers.decoded.get();
  if (!picture) return;
  if (avcodec_send_packet(decoder, packet) >= 0 && avcodec_send_packet(decoder, nullptr) >= 0 &&
      avcodec_receive_frame(decoder, picture) >= 0) {
    hooks.show_preview_picture(picture, decoder);
    av_frame_unref(picture);
  }
  // Ready for the next key picture, nothing of this one kept.
  avcodec_flush_buffers(decoder);
}

}  // namespace

void copy_input_packet(Job& job, Run& run, InputStream& ist, int ist_index, const AVPacket* packet) {
  const AVRational tb = ist.stream->time_base;
  // The input clock, as the decoding path keeps it (which it does instead
  // when the stream is decoded too).
  if (!ist.decoding_needed) {
    if (ist.next_pts == AV_NOPTS_VALUE) ist.next_pts = ist.pts;
    ist.pts = packet->dts != AV_NOPTS_VALUE ? av_rescale_q(packet->dts, tb, AV_TIME_BASE_Q) : ist.next_pts;
  }
  PacketPtr copy(av_packet_clone(packet));
  if (!copy) return;
  // A missing decoding time is the clock's; a missing presentation time the
  // decoding time. Without either the packet cannot be placed: dropped.
  if (copy->dts == AV_NOPTS_VALUE && ist.next_pts != AV_NOPTS_VALUE && !ist.is_start)
    copy->dts = av_rescale_q(ist.pts, AV_TIME_BASE_Q, tb);
  if (copy->pts == AV_NOPTS_VALUE) copy->pts = copy->dts;
  if (copy->dts == AV_NOPTS_VALUE) copy->dts = copy->pts;
  const int64_t duration = packet_duration(ist, packet);
  if (!ist.decoding_needed) {
    ist.next_pts = ist.pts + duration;
    ist.is_start = 0;
  }
  if (copy->dts == AV_NOPTS_VALUE) return;
  const int64_t end = av_rescale_q(copy->pts, tb, AV_TIME_BASE_Q) + duration;
  if (ist.copy_end_pts == AV_NOPTS_VALUE || end > ist.copy_end_pts) ist.copy_end_pts = end;

  if (ist.stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
    job.counters.decoded_frame_count.fetch_add(1, std::memory_order_relaxed);
    preview_key_picture(job, ist, packet);
  }

  auto& files = job.tables.output_files;
  for (size_t i = 0; i < run.output_streams.size(); ++i) {
    OutputStream& ost = *run.output_streams[i];
    if (ost.source_index != ist_index || !ost.stream_copy) continue;
    PacketPtr item_packet(av_packet_clone(copy.get()));
    if (!item_packet) continue;
    if (!run.ahead) {
      write_copied_packet(job, files[ost.file_index]->context.get(), ost, ist, item_packet.get());
      continue;
    }
    Decoded item;
    item.kind = Decoded::Kind::packet;
    item.ist_index = ist_index;
    item.ost_index = static_cast<int>(i);
    item.packet = std::move(item_packet);
    run.ahead->push(std::move(item));
  }
}

void write_copied_packet(Job& job, AVFormatContext* output, OutputStream& ost, const InputStream& ist,
                         AVPacket* packet) {
  // Pictures before the first key picture refer to pictures the source
  // does not hold (a part that starts mid-GOP): no player could show them.
  const bool video = ost.stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
  if (video && !ost.copy_started && !(packet->flags & AV_PKT_FLAG_KEY)) return;
  ost.copy_started = true;

  av_packet_rescale_ts(packet, ist.stream->time_base, ost.stream->time_base);
  packet->pos = -1;
  write_packet(job, output, ost, packet, ost.stream->time_base);
}

}  // namespace engine

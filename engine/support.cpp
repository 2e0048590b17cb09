// SPDX-License-Identifier: GPL-3.0-or-later
// Small steps shared by the packet, video, audio and subtitle outputs.
#include <algorithm>
#include <cstring>

#include "engine/engine.h"

namespace engine {

namespace {

constexpr int kSubtitleBufferSize = 65536;

}  // namespace

double sync_input_seconds(const OutputStream& ost) {
  if (!ost.sync_input) return 0.0;
  return static_cast<double>(ost.sync_input->dispatch_pts) / 1000000.0;
}

void write_packet(Job& job, AVFormatContext* output, OutputStream& ost, AVPacket* packet,
                  AVRational encoder_time_base) {
  if (!output || !packet || !ost.stream) return;
  packet->stream_index = ost.stream_index;
  av_packet_rescale_ts(packet, encoder_time_base, ost.stream->time_base);
  // Decoding times rise (strictly, unless the container or the stream's type
  // allows equal ones): the muxer refuses a packet that goes back, which
  // damage in the source (a repeated or lost timestamp) brings about. Such a
  // packet moves up to the last one, its presentation time with it, as the
  // ffmpeg tool does, instead of failing the file.
  if (packet->dts != AV_NOPTS_VALUE) {
    const AVMediaType type = ost.stream->codecpar->codec_type;
    const bool equal_allowed = (output->oformat->flags & AVFMT_TS_NONSTRICT) || type == AVMEDIA_TYPE_SUBTITLE ||
                               type == AVMEDIA_TYPE_DATA;
    if (ost.last_dts != AV_NOPTS_VALUE && packet->dts < ost.last_dts + (equal_allowed ? 0 : 1)) {
      const int64_t least = ost.last_dts + (equal_allowed ? 0 : 1);
      if (packet->pts >= packet->dts) packet->pts = std::max(packet->pts, least);
      packet->dts = least;
    }
    if (packet->pts < packet->dts) packet->pts = packet->dts;
    ost.last_dts = packet->dts;
  }
  // A failed write makes the file incomplete: it becomes the job's error,
  // and the read loop stops at its next packet.
  if (packet->pts != AV_NOPTS_VALUE) {
    const int64_t end = packet->pts + std::max<int64_t>(packet->duration, 0);
    if (ost.written_end == AV_NOPTS_VALUE || end > ost.written_end) ost.written_end = end;
  }
  const int written = av_interleaved_write_frame(output, packet);
  if (written < 0) {
    note_error(job, Stage::write_packet, written);
  } else {
    ++job.packets_written;
    ++ost.packets;
  }
}

void write_subtitle(Job& job, AVFormatContext* output, OutputStream& ost, InputStream& ist,
                    const AVSubtitle* subtitle, int64_t pts) {
  if (pts == AV_NOPTS_VALUE || !subtitle || !ost.encoder || !ost.encoder->context() || !ist.stream) return;
  auto& owned = job.buffers.subtitle_encoded;
  if (!owned) owned.reset(static_cast<uint8_t*>(av_malloc(kSubtitleBufferSize)));
  uint8_t* buffer = owned.get();
  if (!buffer) return;
  AVCodecContext* encoder = ost.encoder->context();
  const bool dvb = encoder->codec_id == AV_CODEC_ID_DVB_SUBTITLE;
  const AVRational out_tb = ost.stream->time_base;
  const int64_t base = av_rescale_q(pts, ist.stream->time_base, out_tb);

  // The encoder refuses a nonzero start display time: the display times are
  // folded into the packet timestamps instead.
  AVSubtitle sub = *subtitle;
  sub.end_display_time = subtitle->end_display_time - subtitle->start_display_time;
  sub.start_display_time = 0;

  for (int pass = 0; pass < (dvb ? 2 : 1); ++pass) {
    int size = avcodec_encode_subtitle(encoder, buffer, kSubtitleBufferSize, &sub);
    if (size < 0) continue;  // an encoder failure is not written as a packet
    PacketPtr packet(av_packet_alloc());
    if (!packet) return;
    packet->data = buffer;
    packet->size = size;
    // DVB: the first packet shows at the start display time, the second at
    // the end. Other encoders: one packet at the start display time.
    const uint32_t ms = pass == 0 ? subtitle->start_display_time : subtitle->end_display_time;
    const int64_t stamp = base + av_rescale_q(ms, {1, 1000}, out_tb);
    packet->pts = packet->dts = stamp;
    write_packet(job, output, ost, packet.get(), out_tb);
  }
}

}  // namespace engine

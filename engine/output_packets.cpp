// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/output_packets.h"

#include "engine/engine.h"

namespace engine {

void write_ready_packets(Job& job, AVFormatContext* output, OutputStream& ost) {
  AVPacket* packet = job.buffers.encoded.get();
  if (!packet || !ost.encoder) return;
  const AVCodecContext* enc = ost.encoder->context();
  const bool audio = enc->codec_type == AVMEDIA_TYPE_AUDIO;
  const bool frame_ticks = enc->codec_type == AVMEDIA_TYPE_VIDEO && av_q2d(enc->time_base) > 0.001;
  while (ost.encoder->receive_packet(packet) >= 0) {
    packet->stream_index = ost.stream_index;
    if (audio) packet->flags |= AV_PKT_FLAG_KEY;
    if (frame_ticks && packet->duration <= 0) packet->duration = 1;
    write_packet(job, output, ost, packet, enc->time_base);
    av_packet_unref(packet);
  }
}

}  // namespace engine

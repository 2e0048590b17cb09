// SPDX-License-Identifier: GPL-3.0-or-later
// Video output: a picture the picture stage made ready goes to the encoder
// as often as the sync rule said, each time as the next output frame.
#include "engine/engine.h"
#include "engine/output_packets.h"

namespace engine {

void encode_ready_picture(Job& job, AVFormatContext* output, OutputStream& ost, const AVFrame* ready,
                          int64_t first_pts, int64_t count) {
  AVFrame* frame = job.buffers.encode_frame.get();
  if (!ready || !frame || !ost.encoder || !ost.encoder->is_open()) return;
  for (int64_t i = 0; i < count; ++i) {
    if (av_frame_ref(frame, ready) < 0) return;
    frame->quality = 0;
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    frame->pts = first_pts + i;
    // The decoder's own duration and timing fields mean nothing to the encoder.
    frame->pkt_dts = AV_NOPTS_VALUE;
    const int sent = ost.encoder->send_frame(frame);
    av_frame_unref(frame);
    // A refused frame ends the call: the duplicates after it are not sent.
    if (sent < 0) return;
    write_ready_packets(job, output, ost);
    ost.sync_pts = first_pts + i + 1;
  }
}

}  // namespace engine

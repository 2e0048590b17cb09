// SPDX-License-Identifier: GPL-3.0-or-later
// Video output: one decoded picture becomes zero, one or several encoded
// frames of an output stream. The number follows the sync rule (drop,
// duplicate, or re-align on variable-rate containers) against the input
// clock; the picture is scaled once when size or pixel format differ.
// With deinterlacing asked for, interlaced pictures first go through the
// stream's deinterlacer, and each picture it gives is timed by its own
// input time.
#include <cmath>
#include <limits>

#include "engine/engine.h"
#include "engine/output_packets.h"
#include "engine/scaler.h"

namespace engine {

namespace {

constexpr int64_t kFrameCap = std::numeric_limits<int32_t>::max();

// Frames the picture stands for, by the drift between input clock and the
// frames emitted so far; may move sync_pts (re-align, fine time bases).
// `t`: the picture's time on the input clock, in seconds.
int64_t frame_count(const AVFormatContext* output, OutputStream& ost, double t) {
  const AVRational tb = ost.encoder->context()->time_base;
  const double seconds_per_frame = av_q2d(tb);
  if (!(seconds_per_frame > 0.001)) {
    ost.sync_pts = static_cast<int64_t>(std::floor(t / seconds_per_frame));
    return 1;
  }
  const double drift = t / seconds_per_frame - static_cast<double>(ost.sync_pts);
  if (drift < -1.1) return 0;
  if (output->oformat->flags & AVFMT_VARIABLE_FPS) {
    if (drift <= -0.6) return 0;
    if (drift > 0.6) ost.sync_pts = static_cast<int64_t>(std::floor(t / seconds_per_frame));
    return 1;
  }
  if (drift > 1.1) return static_cast<int64_t>(std::floor(drift));
  return 1;
}

// Scales the decoded picture into the stream's work picture; null when that
// cannot be done. The scaler follows the picture it is given: a stream
// whose picture size or format changes midway gets a new scaler instead of
// one that would read past the smaller picture.
const AVFrame* scaled_picture(const Job& job, OutputStream& ost, const AVFrame* picture) {
  const AVCodecContext* enc = ost.encoder->context();
  if (!ost.work_picture) {
    FramePtr work(av_frame_alloc());
    if (!work) return nullptr;
    work->format = enc->pix_fmt;
    work->width = enc->width;
    work->height = enc->height;
    if (av_frame_get_buffer(work.get(), 0) < 0) return nullptr;
    ost.work_picture = std::move(work);
  }
  AVFrame* work = ost.work_picture.get();
  const PictureShape from = shape_of(picture);
  if (!ost.scaler || !(ost.scaled_source == from)) {
    ost.scaler = make_scaler(from, shape_of(work), job.settings.scaler_flags);
    ost.scaled_source = from;
  }
  if (!ost.scaler || av_frame_make_writable(work) < 0) return nullptr;
  if (scale_picture(ost.scaler.get(), work, picture) < 0) return nullptr;
  return work;
}

// Whether the decoded picture can go to the encoder as it is.
bool fits_encoder(const OutputStream& ost, const AVFrame* picture) {
  const AVCodecContext* enc = ost.encoder->context();
  return !ost.rescale_needed && picture->width == enc->width && picture->height == enc->height &&
         picture->format == enc->pix_fmt;
}

// Encodes one picture whose input time is `t` seconds as often as the sync
// rule says.
void encode_picture(Job& job, AVFormatContext* output, OutputStream& ost, const AVFrame* picture, double t) {
  int64_t count = frame_count(output, ost, t);
  count = std::min<int64_t>(count, kFrameCap - ost.frame_number);
  if (count <= 0) return;

  const AVFrame* source = fits_encoder(ost, picture) ? picture : scaled_picture(job, ost, picture);
  AVFrame* frame = job.buffers.encode_frame.get();
  if (!source || !frame) return;

  const AVCodecContext* defaults = job.options->codec_option_defaults[AVMEDIA_TYPE_VIDEO].get();
  const bool interlaced_coding =
      defaults && (defaults->flags & (AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME));

  for (int64_t i = 0; i < count; ++i) {
    if (av_frame_ref(frame, source) < 0) return;
    frame->interlaced_frame = picture->interlaced_frame;
    if (interlaced_coding) frame->top_field_first = picture->top_field_first;
    frame->quality = 0;
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    frame->pts = ost.sync_pts;
    // The decoder's own duration and timing fields mean nothing to the encoder.
    frame->pkt_dts = AV_NOPTS_VALUE;
    const int sent = ost.encoder->send_frame(frame);
    av_frame_unref(frame);
    // A refused frame ends the call: neither it nor the duplicates after it
    // advance the output clock.
    if (sent < 0) return;
    write_ready_packets(job, output, ost);
    ++ost.sync_pts;
    ++ost.frame_number;
  }
}

// Encodes every picture the deinterlacer has ready, each at its own input
// time (the deinterlacer keeps the pts, in microseconds, it was given).
void encode_deinterlaced(Job& job, AVFormatContext* output, OutputStream& ost) {
  AVFrame* out = job.buffers.deinterlaced.get();
  if (!out) return;
  while (ost.deinterlacer->pull(out) >= 0) {
    encode_picture(job, output, ost, out, static_cast<double>(out->pts) / 1000000.0);
    av_frame_unref(out);
  }
}

// The deinterlacer's last picture out, and the deinterlacer gone.
void drain_deinterlacer(Job& job, AVFormatContext* output, OutputStream& ost) {
  if (!ost.deinterlacer) return;
  if (ost.deinterlacer->push(nullptr) >= 0) encode_deinterlaced(job, output, ost);
  ost.deinterlacer.reset();
}

// Through the deinterlacer: made at the first interlaced picture, then
// every picture goes through it so that none overtakes another. A picture
// of a new size or format drains it and starts a new one.
void deinterlace_picture(Job& job, AVFormatContext* output, OutputStream& ost, const AVFrame* picture) {
  if (ost.deinterlacer && !ost.deinterlacer->takes(picture)) drain_deinterlacer(job, output, ost);
  if (!ost.deinterlacer) {
    int error = 0;
    ost.deinterlacer = Deinterlacer::create(picture, error);
    if (!ost.deinterlacer) {
      // The pictures are still converted, only not deinterlaced.
      char reason[AV_ERROR_MAX_STRING_SIZE] = {};
      av_strerror(error, reason, sizeof reason);
      av_log(nullptr, AV_LOG_WARNING, "No deinterlacing: %s\n", reason);
      ost.deinterlace_failed = true;
      encode_picture(job, output, ost, picture, sync_input_seconds(ost));
      return;
    }
  }
  AVFrame* in = job.buffers.deinterlace_in.get();
  if (!in || av_frame_ref(in, picture) < 0) return;
  in->pts = ost.sync_input ? ost.sync_input->dispatch_pts : 0;
  const int pushed = ost.deinterlacer->push(in);
  av_frame_unref(in);
  if (pushed >= 0) encode_deinterlaced(job, output, ost);
}

}  // namespace

void write_video_frame(Job& job, AVFormatContext* output, OutputStream& ost, const AVFrame* picture) {
  if (!ost.encoder || !ost.encoder->is_open()) return;
  if (job.spec.deinterlace && !ost.deinterlace_failed && (ost.deinterlacer || picture->interlaced_frame)) {
    deinterlace_picture(job, output, ost, picture);
    return;
  }
  encode_picture(job, output, ost, picture, sync_input_seconds(ost));
}

void finish_video_frames(Job& job, AVFormatContext* output, OutputStream& ost) {
  if (ost.encoder && ost.encoder->is_open()) drain_deinterlacer(job, output, ost);
}

}  // namespace engine

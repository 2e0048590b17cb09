// SPDX-License-Identifier: GPL-3.0-or-later
// The picture stage: one decoded picture becomes zero or one picture ready
// for the encoder, with the number of output frames it stands for. The
// number follows the sync rule (drop, duplicate, or re-align on
// variable-rate containers) against the input clock; the picture is scaled
// once when size or pixel format differ. With deinterlacing asked for,
// interlaced pictures first go through the stream's deinterlacer, and each
// picture it gives is timed by its own input time.
#include <algorithm>
#include <cmath>
#include <limits>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include "engine/engine.h"

namespace engine {

namespace {

constexpr int64_t kFrameCap = std::numeric_limits<int32_t>::max();

// Frames the picture stands for, by the drift between input clock and the
// frames planned so far; may move the stage's clock (re-align, fine time
// bases). `t`: the picture's time on the input clock, in seconds. A picture
// that comes late fills the frames up to where it ends, to the nearest
// frame, so that it is shown within half a frame of its time: counting
// only the frames before it would show every later picture up to two
// frames before its sound (a picture that starts a frame and a half after
// the sound, as camcorders record it). A re-aligned clock takes the
// nearest frame for the same reason.
int64_t frame_count(const AVFormatContext* output, const OutputStream& ost, PictureStage& stage, double t) {
  const AVRational tb = ost.encoder->context()->time_base;
  const double seconds_per_frame = av_q2d(tb);
  if (!(seconds_per_frame > 0.001)) {
    stage.next_pts = static_cast<int64_t>(std::floor(t / seconds_per_frame));
    return 1;
  }
  const double drift = t / seconds_per_frame - static_cast<double>(stage.next_pts);
  if (drift < -1.1) return 0;
  if (output->oformat->flags & AVFMT_VARIABLE_FPS) {
    if (drift <= -0.6) return 0;
    if (drift > 0.6) stage.next_pts = std::llround(t / seconds_per_frame);
    return 1;
  }
  const double until_its_end = drift + stage.picture_frames;
  if (until_its_end > 1.1) return std::llround(until_its_end);
  return 1;
}

// The picture in the encoder's size and format, a new picture of its own;
// null when that cannot be done. The scaler follows the picture it is
// given: a stream whose picture size or format changes midway gets a new
// scaler instead of one that would read past the smaller picture.
FramePtr scaled_picture(const Job& job, PictureStage& stage, const AVFrame* picture, ChromaSiting siting) {
  const PictureShape from = shape_of(picture);
  if (!stage.scaler || !(stage.scaled_source == from) || stage.scaled_siting != siting) {
    stage.scaler = make_scaler(from, stage.target, job.settings.scaler_flags, siting);
    stage.scaled_source = from;
    stage.scaled_siting = siting;
  }
  if (!stage.scaler) return nullptr;
  FramePtr scaled = stage.scaled.take(stage.target, stage.target_strides);
  if (!scaled || scale_picture(stage.scaler.get(), scaled.get(), picture) < 0) return nullptr;
  return scaled;
}

// Whether the decoded picture can go to the encoder as it is.
bool fits_encoder(const OutputStream& ost, const AVFrame* picture) {
  return !ost.rescale_needed && shape_of(picture) == ost.pictures.target;
}

// The picture as the encoder is to get it: scaled where needed, its field
// flags those of the decoded picture (the field order only where the
// encoder codes interlaced).
FramePtr ready_picture(const Job& job, OutputStream& ost, const AVFrame* picture, ChromaSiting siting) {
  if (fits_encoder(ost, picture)) {
    FramePtr ready(av_frame_alloc());
    if (!ready || av_frame_ref(ready.get(), picture) < 0) return nullptr;
    return ready;
  }
  FramePtr ready = scaled_picture(job, ost.pictures, picture, siting);
  if (!ready) return nullptr;
  constexpr int kFieldCoding = AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
  const AVCodecContext* defaults = job.options->codec_option_defaults[AVMEDIA_TYPE_VIDEO].get();
  const bool interlaced_coding =
      (defaults && (defaults->flags & kFieldCoding)) || (ost.encoder->context()->flags & kFieldCoding);
  ready->interlaced_frame = picture->interlaced_frame;
  if (interlaced_coding) ready->top_field_first = picture->top_field_first;
  return ready;
}

// The ready picture goes to the encoding side: on the reader's queue while
// a reader decodes, else straight to the encoder.
void hand_on(Job& job, Run& run, int ost_index, FramePtr ready, int64_t first_pts, int64_t count) {
  if (run.ahead) {
    Decoded item;
    item.kind = Decoded::Kind::picture;
    item.ist_index = run.output_streams[ost_index]->source_index;
    item.ost_index = ost_index;
    item.frame = std::move(ready);
    item.first_pts = first_pts;
    item.count = count;
    item.picture = true;
    run.ahead->push(std::move(item));
    return;
  }
  OutputStream& ost = *run.output_streams[ost_index];
  encode_ready_picture(job, job.tables.output_files[ost.file_index]->context.get(), ost, ready.get(), first_pts,
                       count);
}

// One picture whose input time is `t` seconds: as many output frames as
// the sync rule says, none for a dropped picture.
void plan_picture(Job& job, Run& run, int ost_index, const AVFrame* picture, double t,
                  ChromaSiting siting = ChromaSiting::picture) {
  OutputStream& ost = *run.output_streams[ost_index];
  PictureStage& stage = ost.pictures;
  const AVFormatContext* output = job.tables.output_files[ost.file_index]->context.get();
  int64_t count = frame_count(output, ost, stage, t);
  count = std::min<int64_t>(count, kFrameCap - stage.planned);
  if (count <= 0) return;
  FramePtr ready = ready_picture(job, ost, picture, siting);
  if (!ready) return;
  const int64_t first_pts = stage.next_pts;
  stage.next_pts += count;
  stage.planned += count;
  hand_on(job, run, ost_index, std::move(ready), first_pts, count);
}

// Plans every picture the deinterlacer has ready, each at its own input
// time (the deinterlacer keeps the pts, in microseconds, it was given).
void plan_deinterlaced(Job& job, Run& run, int ost_index) {
  AVFrame* out = job.buffers.deinterlaced.get();
  if (!out) return;
  Deinterlacer& deinterlacer = *run.output_streams[ost_index]->pictures.deinterlacer;
  while (deinterlacer.pull(out) >= 0) {
    plan_picture(job, run, ost_index, out, static_cast<double>(out->pts) / 1000000.0);
    av_frame_unref(out);
  }
}

// The deinterlacer's last picture out, and the deinterlacer gone.
void drain_deinterlacer(Job& job, Run& run, int ost_index) {
  PictureStage& stage = run.output_streams[ost_index]->pictures;
  if (!stage.deinterlacer) return;
  if (stage.deinterlacer->push(nullptr) >= 0) plan_deinterlaced(job, run, ost_index);
  stage.deinterlacer.reset();
}

// Through the deinterlacer: made at the first interlaced picture, then
// every picture goes through it so that none overtakes another. A picture
// of a new size or format drains it and starts a new one.
void deinterlace_picture(Job& job, Run& run, int ost_index, const AVFrame* picture, int64_t clock) {
  PictureStage& stage = run.output_streams[ost_index]->pictures;
  if (stage.deinterlacer && !stage.deinterlacer->takes(picture)) drain_deinterlacer(job, run, ost_index);
  if (!stage.deinterlacer) {
    int error = 0;
    stage.deinterlacer = Deinterlacer::create(picture, job.settings.per_field, error);
    if (!stage.deinterlacer) {
      // The pictures are still converted, only not deinterlaced.
      char reason[AV_ERROR_MAX_STRING_SIZE] = {};
      av_strerror(error, reason, sizeof reason);
      av_log(nullptr, AV_LOG_WARNING, "No deinterlacing: %s\n", reason);
      stage.deinterlace_failed = true;
      plan_picture(job, run, ost_index, picture, static_cast<double>(clock) / 1000000.0);
      return;
    }
  }
  AVFrame* in = job.buffers.deinterlace_in.get();
  if (!in || av_frame_ref(in, picture) < 0) return;
  in->pts = clock;
  const int pushed = stage.deinterlacer->push(in);
  av_frame_unref(in);
  if (pushed >= 0) plan_deinterlaced(job, run, ost_index);
}

// Whether the output can show no more lines than one field of the
// interlaced `picture` holds: then that field alone is scaled, and the
// deinterlacer, which would rebuild the lines the scaler throws away, is
// skipped. Not when every field is to become a picture of its own, and not
// for formats whose lines are not plain rows of samples.
bool scales_one_field(const Job& job, const PictureStage& stage, const AVFrame* picture) {
  if (!job.spec.field_scaling || job.settings.per_field || stage.deinterlacer || picture->height < 2) return false;
  if (stage.target.height > picture->height / 2) return false;
  const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(picture->format));
  constexpr uint64_t kNotRows = AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_HWACCEL;
  return format && !(format->flags & kNotRows) && format->log2_chroma_h <= 1;
}

// The field that carries the picture's moment (the first one: the top field
// of a top-field-first picture) as a picture of its own: every other line
// of each plane, the same samples, nothing copied.
FramePtr first_field(const AVFrame* picture) {
  FramePtr field(av_frame_alloc());
  if (!field || av_frame_ref(field.get(), picture) < 0) return nullptr;
  const bool bottom = !picture->top_field_first;
  for (int i = 0; i < AV_NUM_DATA_POINTERS && field->data[i]; ++i) {
    if (bottom) field->data[i] += field->linesize[i];
    field->linesize[i] *= 2;
  }
  field->height = bottom ? picture->height / 2 : (picture->height + 1) / 2;
  field->interlaced_frame = 0;
  return field;
}

void plan_field(Job& job, Run& run, int ost_index, const AVFrame* picture, int64_t clock) {
  FramePtr field = first_field(picture);
  if (!field) return;
  const ChromaSiting siting = picture->top_field_first ? ChromaSiting::top_field : ChromaSiting::bottom_field;
  plan_picture(job, run, ost_index, field.get(), static_cast<double>(clock) / 1000000.0, siting);
}

bool encoder_open(const Run& run, int ost_index) {
  const OutputStream& ost = *run.output_streams[ost_index];
  return ost.encoder && ost.encoder->is_open();
}

}  // namespace

Strides encoder_strides(const AVCodecContext* encoder) {
  constexpr int kEdge = 16;
  int width = encoder->width + 2 * kEdge;
  int height = encoder->height + 2 * kEdge;
  int align[AV_NUM_DATA_POINTERS] = {};
  // Reads the codec, format and flags only.
  avcodec_align_dimensions2(const_cast<AVCodecContext*>(encoder), &width, &height, align);
  Strides strides{};
  // Widen until every plane's stride is a multiple of its alignment, by the
  // width's lowest set bit each time, as the encoder's buffers are widened.
  for (int tries = 0; tries < 16 && width > 0; ++tries, width += width & -width) {
    if (av_image_fill_linesizes(strides.data(), encoder->pix_fmt, width) < 0) return {};
    bool aligned = true;
    for (int i = 0; i < 4; ++i) aligned = aligned && (align[i] <= 0 || strides[i] % align[i] == 0);
    if (aligned) return strides;
  }
  return {};
}

FramePtr PicturePool::take(const PictureShape& shape, const Strides& strides) {
  if (!pool_ || !(shape == shape_) || strides != strides_) {
    // One picture made the library's way gives the layout to copy.
    pool_.reset();
    FramePtr layout(av_frame_alloc());
    if (!layout) return nullptr;
    layout->format = shape.format;
    layout->width = shape.width;
    layout->height = shape.height;
    Strides least{};
    const bool wide_enough = strides[0] > 0 &&
                             av_image_fill_linesizes(least.data(), shape.format, shape.width) >= 0 &&
                             std::equal(least.begin(), least.end(), strides.begin(),
                                        [](int need, int given) { return given >= need; });
    if (wide_enough) std::copy(strides.begin(), strides.end(), layout->linesize);
    // 64: every plane starts on a 64-byte boundary, as the encoder's do.
    if (av_frame_get_buffer(layout.get(), 64) < 0 || layout->buf[1]) return nullptr;
    for (int i = 0; i < AV_NUM_DATA_POINTERS; ++i) {
      linesizes_[i] = layout->linesize[i];
      offsets_[i] = layout->data[i] ? layout->data[i] - layout->buf[0]->data : -1;
    }
    pool_.reset(av_buffer_pool_init(layout->buf[0]->size, av_buffer_alloc));
    if (!pool_) return nullptr;
    shape_ = shape;
    strides_ = strides;
  }
  FramePtr picture(av_frame_alloc());
  if (!picture) return nullptr;
  picture->buf[0] = av_buffer_pool_get(pool_.get());
  if (!picture->buf[0]) return nullptr;
  picture->format = shape.format;
  picture->width = shape.width;
  picture->height = shape.height;
  for (int i = 0; i < AV_NUM_DATA_POINTERS; ++i) {
    picture->linesize[i] = linesizes_[i];
    if (offsets_[i] >= 0) picture->data[i] = picture->buf[0]->data + offsets_[i];
  }
  picture->extended_data = picture->data;
  return picture;
}

void stage_picture(Job& job, Run& run, int ost_index, const AVFrame* picture, int64_t clock) {
  if (!encoder_open(run, ost_index)) return;
  const PictureStage& stage = run.output_streams[ost_index]->pictures;
  if (job.spec.deinterlace && picture->interlaced_frame && scales_one_field(job, stage, picture)) {
    plan_field(job, run, ost_index, picture, clock);
    return;
  }
  if (job.spec.deinterlace && !stage.deinterlace_failed && (stage.deinterlacer || picture->interlaced_frame)) {
    deinterlace_picture(job, run, ost_index, picture, clock);
    return;
  }
  plan_picture(job, run, ost_index, picture, static_cast<double>(clock) / 1000000.0);
}

void drain_picture_stage(Job& job, Run& run, int ost_index) {
  if (encoder_open(run, ost_index)) drain_deinterlacer(job, run, ost_index);
}

}  // namespace engine

// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/deinterlacer.h"

#include <string>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/frame.h>
#include <libavutil/mathematics.h>
#include <libavutil/pixdesc.h>
}

namespace engine {

std::unique_ptr<Deinterlacer> Deinterlacer::create(const AVFrame* first, bool per_field, int& error) {
  std::unique_ptr<Deinterlacer> d(new Deinterlacer);
  d->graph_.reset(avfilter_graph_alloc());
  const char* format_name = av_get_pix_fmt_name(static_cast<AVPixelFormat>(first->format));
  if (!d->graph_ || !format_name) {
    error = d->graph_ ? AVERROR(EINVAL) : AVERROR(ENOMEM);
    return nullptr;
  }
  const AVRational sar = first->sample_aspect_ratio.num > 0 ? first->sample_aspect_ratio : AVRational{1, 1};
  const std::string source_args = "video_size=" + std::to_string(first->width) + "x" +
                                  std::to_string(first->height) + ":pix_fmt=" + format_name +
                                  ":time_base=1/1000000:pixel_aspect=" + std::to_string(sar.num) + "/" +
                                  std::to_string(sar.den);
  AVFilterContext* filter = nullptr;
  // send_frame: one picture per picture, send_field: one per field; parity
  // auto: each picture's own field order; deint interlaced: only pictures
  // marked interlaced are touched.
  const char* filter_args = per_field ? "mode=send_field:parity=auto:deint=interlaced"
                                      : "mode=send_frame:parity=auto:deint=interlaced";
  if ((error = avfilter_graph_create_filter(&d->source_, avfilter_get_by_name("buffer"), "in",
                                            source_args.c_str(), nullptr, d->graph_.get())) < 0 ||
      (error = avfilter_graph_create_filter(&filter, avfilter_get_by_name("bwdif"), "deinterlace", filter_args,
                                            nullptr, d->graph_.get())) < 0 ||
      (error = avfilter_graph_create_filter(&d->sink_, avfilter_get_by_name("buffersink"), "out", nullptr,
                                            nullptr, d->graph_.get())) < 0 ||
      (error = avfilter_link(d->source_, 0, filter, 0)) < 0 || (error = avfilter_link(filter, 0, d->sink_, 0)) < 0 ||
      (error = avfilter_graph_config(d->graph_.get(), nullptr)) < 0)
    return nullptr;
  d->width_ = first->width;
  d->height_ = first->height;
  d->format_ = first->format;
  return d;
}

bool Deinterlacer::takes(const AVFrame* picture) const {
  return picture->width == width_ && picture->height == height_ && picture->format == format_;
}

int Deinterlacer::push(const AVFrame* picture) {
  // KEEP_REF: the caller's picture stays the caller's.
  return av_buffersrc_add_frame_flags(source_, const_cast<AVFrame*>(picture),
                                      picture ? AV_BUFFERSRC_FLAG_KEEP_REF : 0);
}

int Deinterlacer::pull(AVFrame* out) {
  const int ret = av_buffersink_get_frame(sink_, out);
  // The filter counts in half the input's time base (it can make a picture
  // per field); the caller gets microseconds back.
  if (ret >= 0 && out->pts != AV_NOPTS_VALUE)
    out->pts = av_rescale_q(out->pts, av_buffersink_get_time_base(sink_), AVRational{1, 1000000});
  return ret;
}

}  // namespace engine

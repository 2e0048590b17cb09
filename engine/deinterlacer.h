// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A motion-adaptive deinterlacer (libavfilter's bwdif) for one video
// stream: one picture out per picture in, or one per field, field order
// from each picture, progressive pictures passed through unchanged. It
// works one picture behind: a picture comes out once the next one is in,
// and the rest at flush.

#include <memory>

extern "C" {
#include <libavfilter/avfilter.h>
}

struct AVFrame;

namespace engine {

struct FilterGraphFree {
  void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphFree>;

class Deinterlacer {
 public:
  // A deinterlacer for pictures of the first one's size and format, their
  // pts in microseconds; `per_field`: a picture out for each field, half a
  // frame apart. Null when the filter cannot take them, with `error` set to
  // the library's reason.
  static std::unique_ptr<Deinterlacer> create(const AVFrame* first, bool per_field, int& error);

  // Whether a picture of this size and format can go in.
  bool takes(const AVFrame* picture) const;
  // Hands one picture in (pts in microseconds); null: no more pictures.
  int push(const AVFrame* picture);
  // The next picture out into `out`, pts in microseconds: 0, AVERROR(EAGAIN) when it needs
  // more, AVERROR_EOF after the flush gave everything.
  int pull(AVFrame* out);

 private:
  Deinterlacer() = default;
  FilterGraphPtr graph_;
  AVFilterContext* source_ = nullptr;  // owned by graph_
  AVFilterContext* sink_ = nullptr;    // owned by graph_
  int width_ = 0, height_ = 0, format_ = -1;
};

}  // namespace engine

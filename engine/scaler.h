// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scaler from a decoded picture to the encoder's size and pixel format.
// Each picture is cut into horizontal slices that the library scales on
// every core at once (its automatic thread count), the same picture as a
// single thread gives; scaling a 1080-line picture down is the largest
// share of a conversion's work after the codecs.

extern "C" {
#include <libavutil/pixfmt.h>
}

#include "engine/av_ptr.h"

struct AVFrame;

namespace engine {

struct PictureShape {
  int width = 0;
  int height = 0;
  AVPixelFormat format = AV_PIX_FMT_NONE;
  bool operator==(const PictureShape&) const = default;
};

PictureShape shape_of(const AVFrame* picture);

// Where the source's chroma lines sit: a whole picture's, or one field's of
// an interlaced 4:2:0 picture, whose chroma lines lie a quarter (top field)
// or three quarters (bottom field) of the way between its luma lines rather
// than halfway.
enum class ChromaSiting { picture, top_field, bottom_field };

// A scaler from `from` to `to` with the given SWS_ flags, or null when a
// size is empty or a format is one the library cannot read or write (it
// would abort on an unknown format rather than fail).
SwsPtr make_scaler(PictureShape from, PictureShape to, int flags, ChromaSiting siting = ChromaSiting::picture);

// Scales `picture` into `work` (allocated, of the scaler's output shape);
// negative on failure.
int scale_picture(SwsContext* scaler, AVFrame* work, const AVFrame* picture);

}  // namespace engine

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The picture stage of a video output stream: what a decoded picture goes
// through before its encoder sees it. Interlaced pictures pass the
// deinterlacer (when asked for), the sync rule decides how many output
// frames each picture stands for (none: dropped, several: duplicated), and
// a picture that stays is scaled to the encoder's size and format. An
// output no taller than one field of an interlaced picture is scaled from
// that field alone instead of from a deinterlaced picture. The
// stage runs on the thread that decodes, so that while a reader thread
// decodes ahead, deinterlacing and scaling happen there as well and the
// job's thread only encodes and writes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/buffer.h>
}

#include "engine/av_ptr.h"
#include "engine/deinterlacer.h"
#include "engine/scaler.h"

namespace engine {

struct BufferPoolFree {
  void operator()(AVBufferPool* pool) const { av_buffer_pool_uninit(&pool); }
};
// Frees itself once the last picture taken from it is gone.
using BufferPoolPtr = std::unique_ptr<AVBufferPool, BufferPoolFree>;

// Bytes per line of each plane; all zero: the library's own choice.
using Strides = std::array<int, AV_NUM_DATA_POINTERS>;

// The strides of the pictures an encoder of `encoder`'s codec, size and
// format makes for itself: its default buffers for the picture with a
// 16-pixel edge on each side. The MPEG-family encoders (every video encoder
// the formats use) take a picture with exactly these strides as it is and
// copy any other into one of their own first. All zero when they cannot be
// worked out.
Strides encoder_strides(const AVCodecContext* encoder);

// Pictures of one shape from buffers that are used again once the encoder
// lets go of them, instead of being allocated and faulted in for every
// picture. Safe to release pictures from any thread.
class PicturePool {
 public:
  // A picture of `shape`, its content undefined, with `strides` where they
  // are given (wide enough for the shape) and av_frame_get_buffer's layout
  // otherwise; null when out of memory.
  FramePtr take(const PictureShape& shape, const Strides& strides = {});

 private:
  PictureShape shape_;
  Strides strides_;                                      // as asked for when the pool was made
  BufferPoolPtr pool_;                                   // buffers of one picture of shape_
  Strides linesizes_{};                                  // bytes per line of each plane
  std::array<ptrdiff_t, AV_NUM_DATA_POINTERS> offsets_{};  // where each plane starts; -1 none
};

// One video output stream's stage. Filled by the transcode setup; from then
// on touched only by the thread that decodes (the reader while one runs).
struct PictureStage {
  PictureShape target;                         // the encoder's picture size and format
  Strides target_strides{};                    // the encoder's own strides: scaled pictures get them
  SwsPtr scaler;                               // decoded picture -> target; made when they differ
  PicturePool scaled;                          // the scaler's output pictures
  PictureShape scaled_source;                  // the pictures the scaler was made for
  ChromaSiting scaled_siting = ChromaSiting::picture;  // and where their chroma lines sit
  std::unique_ptr<Deinterlacer> deinterlacer;  // made at the first interlaced picture
  bool deinterlace_failed = false;             // the filter refused the pictures; they pass as they are
  int64_t next_pts = 0;                        // the sync rule's clock: frames planned so far, encoder tb
  double picture_frames = 1;                   // output frames one source picture lasts (its rate's)
  int64_t planned = 0;                         // frames planned in all
};

}  // namespace engine

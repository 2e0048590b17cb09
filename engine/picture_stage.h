// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The picture stage of a video output stream: what a decoded picture goes
// through before its encoder sees it. Interlaced pictures pass the
// deinterlacer (when asked for), the sync rule decides how many output
// frames each picture stands for (none: dropped, several: duplicated), and
// a picture that stays is scaled to the encoder's size and format. The
// stage runs on the thread that decodes, so that while a reader thread
// decodes ahead, deinterlacing and scaling happen there as well and the
// job's thread only encodes and writes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" {
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

// Pictures of one shape, laid out as av_frame_get_buffer lays them out,
// from buffers that are used again once the encoder lets go of them
// instead of being allocated and faulted in for every picture. Safe to
// release pictures from any thread.
class PicturePool {
 public:
  // A picture of `shape`, its content undefined; null when out of memory.
  FramePtr take(const PictureShape& shape);

 private:
  PictureShape shape_;
  BufferPoolPtr pool_;                                   // buffers of one picture of shape_
  std::array<int, AV_NUM_DATA_POINTERS> linesizes_{};   // bytes per line of each plane
  std::array<ptrdiff_t, AV_NUM_DATA_POINTERS> offsets_{};  // where each plane starts; -1 none
};

// One video output stream's stage. Filled by the transcode setup; from then
// on touched only by the thread that decodes (the reader while one runs).
struct PictureStage {
  PictureShape target;                         // the encoder's picture size and format
  SwsPtr scaler;                               // decoded picture -> target; made when they differ
  PicturePool scaled;                          // the scaler's output pictures
  PictureShape scaled_source;                  // the pictures the scaler was made for
  std::unique_ptr<Deinterlacer> deinterlacer;  // made at the first interlaced picture
  bool deinterlace_failed = false;             // the filter refused the pictures; they pass as they are
  int64_t next_pts = 0;                        // the sync rule's clock: frames planned so far, encoder tb
  int64_t planned = 0;                         // frames planned in all
};

}  // namespace engine

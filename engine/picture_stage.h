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

#include <cstdint>
#include <memory>

#include "engine/av_ptr.h"
#include "engine/deinterlacer.h"
#include "engine/scaler.h"

namespace engine {

// One video output stream's stage. Filled by the transcode setup; from then
// on touched only by the thread that decodes (the reader while one runs).
struct PictureStage {
  PictureShape target;                         // the encoder's picture size and format
  SwsPtr scaler;                               // decoded picture -> target; made when they differ
  PictureShape scaled_source;                  // the pictures the scaler was made for
  std::unique_ptr<Deinterlacer> deinterlacer;  // made at the first interlaced picture
  bool deinterlace_failed = false;             // the filter refused the pictures; they pass as they are
  int64_t next_pts = 0;                        // the sync rule's clock: frames planned so far, encoder tb
  int64_t planned = 0;                         // frames planned in all
};

}  // namespace engine

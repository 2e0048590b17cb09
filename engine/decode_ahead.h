// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Decoding ahead: while the job's thread encodes and writes, a reader
// thread of the same job reads, decodes, deinterlaces and scales the input
// a few pictures ahead of it. The decoded data reach the job's thread in
// exactly the order the decoders gave them, samples with the input clock
// they had and pictures with the output frames the sync rule gave them, so
// the output is the same file as when one thread does both; the encoders
// no longer wait for the decoders, nor the decoders for the encoders.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "engine/av_ptr.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace engine {

struct SubtitleFree {
  void operator()(AVSubtitle* s) const {
    avsubtitle_free(s);
    delete s;
  }
};
using SubtitlePtr = std::unique_ptr<AVSubtitle, SubtitleFree>;

// One piece of decoded data (or a copied packet) on its way from the reader
// to the job's thread.
struct Decoded {
  enum class Kind { frame, picture, subtitle, end_of_stream, packet };
  Kind kind = Kind::frame;
  int ist_index = 0;            // frame, subtitle, end, packet: input stream it came from
  int64_t clock = 0;            // frame, subtitle: µs, that stream's clock when it was decoded
  FramePtr frame;               // frame: decoded samples; picture: ready for the encoder
  int ost_index = 0;            // picture, packet: the output stream it is for
  int64_t first_pts = 0;        // picture: pts of its first output frame, encoder tb
  int64_t count = 0;            // picture: output frames it stands for
  SubtitlePtr subtitle;         // subtitle: the decoded subtitle
  int64_t subtitle_pts = 0;     // subtitle: its packet's pts, stream time base
  PacketPtr packet;             // packet: copied as it is, its input stream's time base
  bool picture = false;         // a video picture (counts against the limit)
};

// The hand-over between the two threads. The reader pushes and closes; the
// job's thread pops until the queue is closed and empty. Every member is
// guarded by `mutex_` except `stop_reading_`, which the job's thread sets
// and the reader polls.
class DecodeAhead {
 public:
  // At most `pictures` decoded pictures, and `items` pieces in all, wait at
  // once: the memory a job holds stays within a few pictures of the
  // single-threaded conversion's.
  DecodeAhead(int pictures, int items) : picture_limit_(pictures), item_limit_(items) {}

  // Reader: waits while the queue is full, then appends.
  void push(Decoded item);
  // Reader: nothing more will come.
  void close();
  // Job's thread: the next piece, waiting for it; false once the reader
  // closed the queue and everything was taken.
  bool pop(Decoded& item);

  // Job's thread: writing failed, reading on would be wasted; the reader
  // ends as at the end of its input.
  void stop_reading() { stop_reading_.store(true, std::memory_order_relaxed); }
  bool reading_stopped() const { return stop_reading_.load(std::memory_order_relaxed); }

  // Reader: the error that ended reading (a library code), for the job's
  // thread to record once the reader has ended.
  int read_error = 0;

 private:
  const int picture_limit_;
  const int item_limit_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Decoded> queue_;
  int pictures_ = 0;
  bool closed_ = false;
  std::atomic<bool> stop_reading_{false};
};

}  // namespace engine

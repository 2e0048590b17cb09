// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The engine's own AMR-NB encoder on libopencore-amrnb, used when the
// library has no AMR-NB encoder. It follows the library's send/receive rules:
// 160 samples of 8 kHz mono s16 per frame, only the last frame may be short
// (it is padded with silence), and a null frame starts the drain.

#include <deque>

#include "engine/av_ptr.h"
#include "engine/encoder.h"

namespace engine {

struct AmrnbEncoderState {
  void* coder = nullptr;              // opencore encoder state
  int mode = 0;                       // enum Mode chosen from the bit rate
  std::deque<PacketPtr> ready;        // encoded packets not yet received
  bool draining = false;              // a null frame was sent
  bool short_frame_seen = false;      // a short (last) frame was sent
  int64_t next_pts = 0;               // samples; used when a frame has no pts
  AmrnbEncoderState() = default;
  AmrnbEncoderState(const AmrnbEncoderState&) = delete;
  AmrnbEncoderState& operator=(const AmrnbEncoderState&) = delete;
  ~AmrnbEncoderState();
};

// Descriptor of the engine's own AMR-NB encoder ("libopencore_amrnb").
const EncoderDescriptor& amrnb_descriptor();

// Mode (MR475..MR122) whose rate is nearest to `bit_rate`.
int amrnb_mode_for_bit_rate(int64_t bit_rate);

int amrnb_open(AVCodecContext* context, AmrnbEncoderState& state);
int amrnb_send_frame(AVCodecContext* context, AmrnbEncoderState& state, const AVFrame* frame);
int amrnb_receive_packet(AmrnbEncoderState& state, AVPacket* packet);

}  // namespace engine

// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/amrnb_encoder.h"

#include <opencore-amrnb/interf_enc.h>

#include <cstdlib>
#include <cstring>

namespace engine {

namespace {

constexpr int kFrameSamples = 160;   // 20 ms at 8 kHz
constexpr int kMaxFrameBytes = 32;   // MR122 frame with its header byte
constexpr int kModeRates[] = {4750, 5150, 5900, 6700, 7400, 7950, 10200, 12200};

constexpr AVSampleFormat kSampleFormats[] = {AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_NONE};
constexpr int kSampleRates[] = {8000, 0};

}  // namespace

AmrnbEncoderState::~AmrnbEncoderState() {
  if (coder) Encoder_Interface_exit(coder);
}

const EncoderDescriptor& amrnb_descriptor() {
  // No SMALL_LAST_FRAME: a short last frame is padded, as the library does.
  static const EncoderDescriptor descriptor{
      "libopencore_amrnb", AVMEDIA_TYPE_AUDIO, AV_CODEC_ID_AMR_NB, 0, nullptr, nullptr,
      kSampleFormats,      kSampleRates,       nullptr};
  return descriptor;
}

int amrnb_mode_for_bit_rate(int64_t bit_rate) {
  int best = 0;
  for (int m = 1; m < 8; ++m)
    if (std::llabs(kModeRates[m] - bit_rate) < std::llabs(kModeRates[best] - bit_rate)) best = m;
  return best;
}

int amrnb_open(AVCodecContext* context, AmrnbEncoderState& state) {
  if (context->sample_rate != 8000 || context->ch_layout.nb_channels != 1 ||
      context->sample_fmt != AV_SAMPLE_FMT_S16) {
    av_log(context, AV_LOG_ERROR, "AMR-NB needs 8000 Hz mono s16\n");
    return AVERROR(EINVAL);
  }
  state.coder = Encoder_Interface_init(0);
  if (!state.coder) return AVERROR(ENOMEM);
  state.mode = amrnb_mode_for_bit_rate(context->bit_rate);
  context->codec_id = AV_CODEC_ID_AMR_NB;
  context->frame_size = kFrameSamples;
  context->initial_padding = 0;
  if (context->time_base.num <= 0 || context->time_base.den <= 0) context->time_base = {1, 8000};
  return 0;
}

int amrnb_send_frame(AVCodecContext* context, AmrnbEncoderState& state, const AVFrame* frame) {
  if (state.draining) return AVERROR_EOF;
  if (!frame) {
    state.draining = true;
    return 0;
  }
  if (frame->format != AV_SAMPLE_FMT_S16 || frame->ch_layout.nb_channels != 1 ||
      frame->nb_samples <= 0 || frame->nb_samples > kFrameSamples || state.short_frame_seen)
    return AVERROR(EINVAL);
  if (frame->nb_samples < kFrameSamples) state.short_frame_seen = true;

  short speech[kFrameSamples] = {};
  std::memcpy(speech, frame->data[0], sizeof(short) * frame->nb_samples);
  unsigned char out[kMaxFrameBytes + 8];
  int size = Encoder_Interface_Encode(state.coder, static_cast<Mode>(state.mode), speech, out, 0);
  if (size <= 0) return AVERROR_EXTERNAL;

  PacketPtr packet(av_packet_alloc());
  if (!packet || av_new_packet(packet.get(), size) < 0) return AVERROR(ENOMEM);
  std::memcpy(packet->data, out, size);
  int64_t pts = frame->pts != AV_NOPTS_VALUE ? frame->pts : state.next_pts;
  // Timestamps in the encoder's time base (1/8000: one tick per sample).
  AVRational tb = context->time_base;
  int64_t duration = av_rescale_q(kFrameSamples, {1, 8000}, tb);
  packet->pts = packet->dts = pts;
  packet->duration = duration;
  packet->flags |= AV_PKT_FLAG_KEY;
  state.next_pts = pts + duration;
  state.ready.push_back(std::move(packet));
  return 0;
}

int amrnb_receive_packet(AmrnbEncoderState& state, AVPacket* packet) {
  if (state.ready.empty()) return state.draining ? AVERROR_EOF : AVERROR(EAGAIN);
  av_packet_move_ref(packet, state.ready.front().get());
  state.ready.pop_front();
  return 0;
}

}  // namespace engine

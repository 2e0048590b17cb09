// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An output stream's encoder. Most are the library's own; AMR-NB, which the
// 3GP format needs and Debian's libavcodec cannot encode, is the engine's own
// encoder on libopencore-amrnb. Both kinds are found, opened, fed and drained
// through this one interface, with the library's send/receive semantics:
// send_frame(nullptr) starts draining, receive_packet answers
// AVERROR(EAGAIN) when it needs more input and AVERROR_EOF when drained.

#include <memory>

#include "engine/av_ptr.h"

namespace engine {

struct EncoderDescriptor {
  const char* name;                           // "mpeg2video", "libopencore_amrnb", ...
  AVMediaType type;                           // video, audio or subtitle
  AVCodecID id;                               // AV_CODEC_ID_*
  int capabilities;                           // AV_CODEC_CAP_* bits
  const AVRational* supported_framerates;     // ended by {0,0}, or null for any
  const AVPixelFormat* pix_fmts;              // ended by AV_PIX_FMT_NONE, or null
  const AVSampleFormat* sample_fmts;          // ended by AV_SAMPLE_FMT_NONE, or null
  const int* supported_samplerates;           // ended by 0, or null
  const AVCodec* library_codec;               // the library's encoder; null for the engine's own
};

// Encoder for a codec id (the library's, else the engine's own), or null.
const EncoderDescriptor* find_encoder(AVCodecID id);
// Encoder by name ("mp2", "mpeg1video", "libopencore_amrnb"), or null.
const EncoderDescriptor* find_encoder_by_name(const char* name);

class Encoder {
 public:
  Encoder();
  ~Encoder();
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  // The codec context that carries the stream's parameters (size, rates,
  // time base, flags). It exists from construction; open() uses it.
  AVCodecContext* context() const { return context_.get(); }
  const EncoderDescriptor* descriptor() const { return descriptor_; }
  bool is_open() const { return open_; }

  // Makes context() anew with the library encoder's own defaults and
  // private options (x264's and x265's tuned values rather than the generic
  // ones); false when `descriptor` has none (the engine's own encoders).
  bool use_codec_defaults(const EncoderDescriptor* descriptor);
  // Opens `descriptor` on context(); < 0 on failure (context left usable).
  int open(const EncoderDescriptor* descriptor);
  int send_frame(const AVFrame* frame);
  int receive_packet(AVPacket* packet);
  // Closes and frees the encoder; context() becomes null.
  void close();

 private:
  struct OwnState;
  CodecContextPtr context_;
  const EncoderDescriptor* descriptor_ = nullptr;
  std::unique_ptr<OwnState> own_;  // state of the engine's own encoder
  bool open_ = false;
};

}  // namespace engine

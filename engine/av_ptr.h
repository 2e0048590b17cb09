// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Owning handles for library objects: each one frees its object with the
// library's own release function.

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace engine {

struct CodecContextFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsFree {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct SwrFree {
  void operator()(SwrContext* s) const { swr_free(&s); }
};
struct AudioFifoFree {
  void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
struct AvFree {
  void operator()(void* p) const { av_free(p); }
};
// An opened input: closed with avformat_close_input.
struct InputContextFree {
  void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
// An output: its I/O context closed unless the format writes no file or the
// caller owns the I/O, then the context freed with its streams.
struct OutputContextFree {
  void operator()(AVFormatContext* c) const {
    if (!c) return;
    if (c->oformat && !(c->oformat->flags & AVFMT_NOFILE) && !(c->flags & AVFMT_FLAG_CUSTOM_IO) && c->pb)
      avio_closep(&c->pb);
    avformat_free_context(c);
  }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFree>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoFree>;
using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextFree>;
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextFree>;
template <class T>
using AvBuffer = std::unique_ptr<T[], AvFree>;

}  // namespace engine

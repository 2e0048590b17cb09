// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/encoder.h"

#include <cstring>
#include <map>
#include <mutex>

#include "engine/amrnb_encoder.h"

namespace engine {

struct Encoder::OwnState {
  AmrnbEncoderState amrnb;
};

namespace {

// One descriptor per library encoder, made on first use and kept for the
// life of the process so that the pointers handed out stay valid.
const EncoderDescriptor* describe(const AVCodec* codec) {
  if (!codec) return nullptr;
  static std::mutex lock;
  static std::map<const AVCodec*, EncoderDescriptor> known;
  std::lock_guard<std::mutex> guard(lock);
  auto it = known.find(codec);
  if (it == known.end()) {
    EncoderDescriptor d{codec->name,         codec->type,     codec->id,
                        codec->capabilities, codec->supported_framerates,
                        codec->pix_fmts,     codec->sample_fmts,
                        codec->supported_samplerates, codec};
    it = known.emplace(codec, d).first;
  }
  return &it->second;
}

}  // namespace

const EncoderDescriptor* find_encoder(AVCodecID id) {
  if (id == AV_CODEC_ID_NONE) return nullptr;
  if (const AVCodec* codec = avcodec_find_encoder(id)) return describe(codec);
  if (id == AV_CODEC_ID_AMR_NB) return &amrnb_descriptor();
  return nullptr;
}

const EncoderDescriptor* find_encoder_by_name(const char* name) {
  if (!name) return nullptr;
  if (const AVCodec* codec = avcodec_find_encoder_by_name(name)) return describe(codec);
  if (std::strcmp(name, amrnb_descriptor().name) == 0) return &amrnb_descriptor();
  return nullptr;
}

Encoder::Encoder() : context_(avcodec_alloc_context3(nullptr)) {}

Encoder::~Encoder() { close(); }

bool Encoder::use_codec_defaults(const EncoderDescriptor* descriptor) {
  if (!context_ || !descriptor || !descriptor->library_codec || open_) return false;
  CodecContextPtr fresh(avcodec_alloc_context3(descriptor->library_codec));
  if (!fresh) return false;
  fresh->codec_type = context_->codec_type;
  fresh->codec_id = context_->codec_id;
  context_ = std::move(fresh);
  return true;
}

int Encoder::open(const EncoderDescriptor* descriptor) {
  if (!context_ || !descriptor || open_) return AVERROR(EINVAL);
  int result;
  if (descriptor->library_codec) {
    result = avcodec_open2(context_.get(), descriptor->library_codec, nullptr);
  } else {
    own_ = std::make_unique<OwnState>();
    result = amrnb_open(context_.get(), own_->amrnb);
    if (result < 0) own_.reset();
  }
  if (result < 0) return result;
  descriptor_ = descriptor;
  open_ = true;
  return 0;
}

int Encoder::send_frame(const AVFrame* frame) {
  if (!open_) return AVERROR(EINVAL);
  if (own_) return amrnb_send_frame(context_.get(), own_->amrnb, frame);
  return avcodec_send_frame(context_.get(), frame);
}

int Encoder::receive_packet(AVPacket* packet) {
  if (!open_) return AVERROR(EINVAL);
  if (own_) return amrnb_receive_packet(own_->amrnb, packet);
  return avcodec_receive_packet(context_.get(), packet);
}

void Encoder::close() {
  own_.reset();
  context_.reset();
  open_ = false;
}

}  // namespace engine

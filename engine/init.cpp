#include <csignal>

#include "engine/engine.h"

namespace engine {

void engine_init() {
  // A write past the account's file-size limit would end the process with
  // SIGXFSZ; ignored, it fails with EFBIG and only that job fails.
  std::signal(SIGXFSZ, SIG_IGN);
  auto& reg = state().options;
  // One option-holding codec context per media type (video, audio, data,
  // subtitle, attachment): option values set by name are stored there.
  // A second call keeps the values already registered.
  for (int type = 0; type < 5; ++type) {
    if (reg.codec_option_defaults[type]) continue;
    reg.codec_option_defaults[type].reset(avcodec_alloc_context3(nullptr));
    if (reg.codec_option_defaults[type])
      reg.codec_option_defaults[type]->codec_type = static_cast<AVMediaType>(type);
  }
  if (!reg.format_option_defaults) reg.format_option_defaults = avformat_alloc_context();
  if (!reg.scaler_option_defaults)
    reg.scaler_option_defaults = sws_getContext(16, 16, AV_PIX_FMT_YUV420P, 16, 16, AV_PIX_FMT_YUV420P,
                                                state().settings.scaler_flags, nullptr, nullptr, nullptr);
}

}  // namespace engine

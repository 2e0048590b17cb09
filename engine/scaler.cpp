// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/scaler.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace engine {

PictureShape shape_of(const AVFrame* picture) {
  return {picture->width, picture->height, static_cast<AVPixelFormat>(picture->format)};
}

SwsPtr make_scaler(PictureShape from, PictureShape to, int flags, ChromaSiting siting) {
  if (from.width <= 0 || from.height <= 0 || to.width <= 0 || to.height <= 0) return nullptr;
  if (!av_pix_fmt_desc_get(from.format) || !av_pix_fmt_desc_get(to.format)) return nullptr;
  if (!sws_isSupportedInput(from.format) || !sws_isSupportedOutput(to.format)) return nullptr;
  SwsPtr scaler(sws_alloc_context());
  if (!scaler) return nullptr;
  SwsContext* s = scaler.get();
  const bool set = av_opt_set_int(s, "srcw", from.width, 0) >= 0 && av_opt_set_int(s, "srch", from.height, 0) >= 0 &&
                   av_opt_set_int(s, "src_format", from.format, 0) >= 0 &&
                   av_opt_set_int(s, "dstw", to.width, 0) >= 0 && av_opt_set_int(s, "dsth", to.height, 0) >= 0 &&
                   av_opt_set_int(s, "dst_format", to.format, 0) >= 0 &&
                   av_opt_set_int(s, "sws_flags", flags, 0) >= 0 &&
                   av_opt_set_int(s, "threads", 0, 0) >= 0;  // 0: one slice thread per core
  // In 1/256 of a chroma line: 128 is halfway, the picture's own siting.
  const AVPixFmtDescriptor* source = av_pix_fmt_desc_get(from.format);
  if (set && siting != ChromaSiting::picture && source->log2_chroma_h == 1)
    av_opt_set_int(s, "src_v_chr_pos", siting == ChromaSiting::top_field ? 64 : 192, 0);
  if (!set || sws_init_context(s, nullptr, nullptr) < 0) return nullptr;
  return scaler;
}

int scale_picture(SwsContext* scaler, AVFrame* work, const AVFrame* picture) {
  // A threaded scaler takes whole frames only (the slice call refuses it).
  return sws_scale_frame(scaler, work, picture);
}

}  // namespace engine

// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/hooks.h"

#include <cstdio>

namespace engine {

Hooks& hooks() {
  static Hooks h;
  return h;
}

void clear_preview() {
  if (hooks().clear_preview) hooks().clear_preview();
}

void show_preview_picture(const AVFrame* picture, const AVCodecContext* decoder) {
  if (hooks().show_preview_picture) hooks().show_preview_picture(picture, decoder);
}

std::atomic<int>& preview_countdown() {
  static std::atomic<int> countdown{10};
  return countdown;
}

}  // namespace engine

#include "engine/hooks.h"

#include <cstdio>

namespace engine {

Hooks& hooks() {
  static Hooks h;
  return h;
}

void show_message_box(const std::string& text, const std::string& caption) {
  if (hooks().message_box) {
    hooks().message_box(text, caption);
    return;
  }
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
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

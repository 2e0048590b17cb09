// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>

#include "preview/preview.h"

namespace preview {
namespace {

// floor() of a non-negative extent as an integer with bit 1 cleared
// (AND -3, not AND -2: 370 gives 368 but 369 stays 369). Values beyond the
// int range saturate instead of overflowing the conversion.
int floored_even_bit(float value) {
  float f = std::floor(value);
  if (!(f >= 0.0f)) return 0;
  if (f >= 2147483520.0f) return 0x7FFFFFFD;
  return static_cast<int>(f) & -3;
}

}  // namespace

Rect letterbox_rect(int width, int height, int sar_num, int sar_den, int area_width,
                    int area_height) {
  if (width <= 0 || height <= 0 || area_width <= 0 || area_height <= 0) return {};
  float aspect = 0.0f;
  if (sar_num != 0 && sar_den != 0) {
    aspect = static_cast<float>(sar_num) / static_cast<float>(sar_den) *
             static_cast<float>(width) / static_cast<float>(height);
  }
  // A missing, negative or unusable sample aspect falls back to square pixels.
  if (!(aspect > 0.0f) || !std::isfinite(aspect)) {
    aspect = static_cast<float>(width) / static_cast<float>(height);
  }
  int h = area_height;
  int w = floored_even_bit(static_cast<float>(h) * aspect);
  if (w > area_width) {
    w = area_width;
    h = floored_even_bit(static_cast<float>(w) / aspect);
  }
  return {(area_width - w) / 2, (area_height - h) / 2, w, h};
}

}  // namespace preview

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The preview surface: an SDL 1.2 video surface drawing into the preview
// area's native X11 window. It is cleared to black and shows decoded pictures
// letterboxed to their display aspect. Every call is serialised, so the
// thread adding a file (which clears) and the batch worker (which shows)
// never draw at the same time.

struct AVFrame;
struct AVCodecContext;

namespace preview {

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const Rect&) const = default;
};

// Display rectangle of a width x height picture with the given sample aspect
// (num/den) inside an area_width x area_height surface, in single precision:
// width from the area's height, narrowed to the area's width when too wide;
// each computed extent floored and its bit 1 cleared; centred.
Rect letterbox_rect(int width, int height, int sar_num, int sar_den, int area_width,
                    int area_height);

// Creates the surface inside the native X11 window `native_window`
// (width x height pixels). Returns -1 when SDL cannot be initialised, the
// video mode cannot be set or the window information cannot be read; 0
// otherwise. Called once per process.
int create_preview_window(unsigned long native_window, int width, int height);

// Paints the whole surface black; nothing without a surface.
void clear_preview();

// Shows one decoded picture letterboxed. A picture that cannot be converted
// (no overlay, no scaler) is not shown.
void show_preview_picture(const AVFrame* picture, const AVCodecContext* decoder);

// Puts the surface's last content on screen again, for when the area was
// covered and uncovered; nothing without a surface.
void refresh_preview();

// True once create_preview_window has succeeded.
bool has_surface();

}  // namespace preview

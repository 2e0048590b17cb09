// SPDX-License-Identifier: GPL-3.0-or-later
// The SDL side of the preview. SDL 1.2 draws into a foreign X11 window when
// SDL_WINDOWID names it before SDL_Init; that is how the surface sits inside
// the window's preview area. SDL keeps its own X connection, so drawing from
// the batch worker does not touch the toolkit's connection; the mutex below
// keeps the two drawing threads (worker, file adding) apart.

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <string>

#include "engine/av_ptr.h"
#include "preview/preview.h"

#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>

namespace preview {
namespace {

constexpr const char* kCaption = "Quorvane Video Transcoder";

struct State {
  std::mutex mutex;
  SDL_Surface* surface = nullptr;  // created once, never released
  SDL_Overlay* overlay = nullptr;  // last shown picture, replaced per picture
  SDL_Event event{};               // scratch record for SDL_PollEvent
};

State& state() {
  static State s;
  return s;
}

// SDL_Init installs its own handlers for termination and crash signals: it
// turns SIGINT and SIGTERM into quit events nobody reads here (the program
// would no longer end on them) and replaces crash reports with its own exit.
// The process keeps the handlers it had.
class KeepSignalHandlers {
 public:
  KeepSignalHandlers() {
    for (std::size_t i = 0; i < kCount; ++i) sigaction(kSignals[i], nullptr, &saved_[i]);
  }
  ~KeepSignalHandlers() {
    for (std::size_t i = 0; i < kCount; ++i) sigaction(kSignals[i], &saved_[i], nullptr);
  }
  KeepSignalHandlers(const KeepSignalHandlers&) = delete;
  KeepSignalHandlers& operator=(const KeepSignalHandlers&) = delete;

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGSEGV, SIGBUS, SIGFPE, SIGQUIT, SIGPIPE};
  static constexpr std::size_t kCount = std::size(kSignals);
  struct sigaction saved_[kCount] {};
};

void free_overlay(State& s) {
  if (s.overlay) SDL_FreeYUVOverlay(s.overlay);
  s.overlay = nullptr;
}

// Converts the picture into the locked overlay's planes (YV12 stores V before
// U, so the descriptor swaps planes 1 and 2). False when no scaler fits.
bool convert_into(SDL_Overlay* overlay, const AVFrame* picture, int width, int height,
                  AVPixelFormat format) {
  uint8_t* planes[4] = {overlay->pixels[0], overlay->pixels[2], overlay->pixels[1], nullptr};
  int pitches[4] = {overlay->pitches[0], overlay->pitches[2], overlay->pitches[1], 0};
  engine::SwsPtr scaler(sws_getContext(width, height, format, overlay->w, overlay->h,
                                       AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr,
                                       nullptr));
  if (!scaler) return false;
  sws_scale(scaler.get(), picture->data, picture->linesize, 0, height, planes, pitches);
  return true;
}

}  // namespace

int create_preview_window(unsigned long native_window, int width, int height) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (s.surface) return 0;
  setenv("SDL_WINDOWID", std::to_string(native_window).c_str(), 1);
  // Only the X11 driver can draw into a foreign window; without X, SDL would
  // otherwise fall back to drivers that take over the terminal or console.
  setenv("SDL_VIDEODRIVER", "x11", 1);
  // The program never plays sound; the silent driver keeps SDL's audio start
  // from failing on machines without a sound device or waiting on a server.
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  KeepSignalHandlers keep;
  if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO) != 0) return -1;
  SDL_Surface* surface = SDL_SetVideoMode(width, height, 0, SDL_NOFRAME | SDL_RESIZABLE);
  if (!surface) return -1;
  SDL_SysWMinfo info;
  SDL_memset(&info, 0, sizeof info);
  info.version.major = 1;
  info.version.minor = 2;
  info.version.patch = 12;
  if (SDL_GetWMInfo(&info) == -1) return -1;
  // The SDL window is the preview area's own window (SDL_WINDOWID), so it is
  // already its child at (0, 0) with its size: nothing to re-parent.
  SDL_WM_SetCaption(kCaption, kCaption);
  s.surface = surface;
  return 0;
}

bool has_surface() {
  State& s = state();
  std::lock_guard lock(s.mutex);
  return s.surface != nullptr;
}

void clear_preview() {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (!s.surface) return;
  Uint32 black = SDL_MapRGB(s.surface->format, 0, 0, 0);
  SDL_Rect all{0, 0, static_cast<Uint16>(s.surface->w), static_cast<Uint16>(s.surface->h)};
  SDL_FillRect(s.surface, &all, black);
  SDL_UpdateRect(s.surface, 0, 0, 0, 0);
}

void refresh_preview() {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (s.surface) SDL_UpdateRect(s.surface, 0, 0, 0, 0);
}

void show_preview_picture(const AVFrame* picture, const AVCodecContext* decoder) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (!s.surface || !picture || !decoder) return;

  // The picture's own size and format describe its buffers; the decoder's
  // may already announce a later change of size.
  int width = picture->width > 0 ? picture->width : decoder->width;
  int height = picture->height > 0 ? picture->height : decoder->height;
  AVPixelFormat format =
      picture->format >= 0 ? static_cast<AVPixelFormat>(picture->format) : decoder->pix_fmt;
  if (width <= 0 || height <= 0 || format == AV_PIX_FMT_NONE) return;

  free_overlay(s);
  // SDL sizes the chroma planes of a YV12 overlay as width/2 x height/2, so an
  // odd size would let the scaler write past them: use the even size below.
  int overlay_w = width & ~1;
  int overlay_h = height & ~1;
  if (overlay_w <= 0 || overlay_h <= 0) return;
  s.overlay = SDL_CreateYUVOverlay(overlay_w, overlay_h, SDL_YV12_OVERLAY, s.surface);
  if (!s.overlay) return;
  if (SDL_LockYUVOverlay(s.overlay) != 0) return;
  bool converted = convert_into(s.overlay, picture, width, height, format);
  SDL_UnlockYUVOverlay(s.overlay);
  if (!converted) return;

  Rect r = letterbox_rect(width, height, decoder->sample_aspect_ratio.num,
                          decoder->sample_aspect_ratio.den, s.surface->w, s.surface->h);
  SDL_Rect where{static_cast<Sint16>(r.x), static_cast<Sint16>(r.y), static_cast<Uint16>(r.w),
                 static_cast<Uint16>(r.h)};
  SDL_DisplayYUVOverlay(s.overlay, &where);
  SDL_PollEvent(&s.event);
}

}  // namespace preview

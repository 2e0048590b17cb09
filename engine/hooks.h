// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's display callbacks: its message boxes and the preview. The
// window installs them once at start; the batch hands them to each job
// through its JobHooks. They belong to the process's one window, not to any
// job. Without a window (the command-line tool, tests) they stay empty.

#include <atomic>
#include <functional>
#include <string>

struct AVFrame;
struct AVCodecContext;

namespace engine {

struct Hooks {
  // Shows a modal error box and returns when it is dismissed. Called on the
  // batch worker thread.
  std::function<void(const std::string& text, const std::string& caption)> message_box;
  // Shows one decoded picture in the preview area (decoder context gives the
  // size, pixel format and sample aspect).
  std::function<void(const AVFrame* picture, const AVCodecContext* decoder)> show_preview_picture;
  // Paints the preview area black.
  std::function<void()> clear_preview;
};

Hooks& hooks();

// Calls the preview hooks when installed.
void clear_preview();
void show_preview_picture(const AVFrame* picture, const AVCodecContext* decoder);

// Decoded pictures left before the next shown one: decremented by the jobs'
// packet step for every decoded picture (through JobHooks), set back to 10
// when a picture is shown. Starts at 10 and is never reset between jobs.
std::atomic<int>& preview_countdown();

}  // namespace engine

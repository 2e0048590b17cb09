#pragma once
// The engine's ways out to the window: its three message boxes and the
// preview. The window installs them at start; without a window (the
// command-line tool, tests) the message boxes go to stderr and the preview
// calls do nothing.

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

// Calls hooks().message_box, or writes "caption: text" to stderr without one.
void show_message_box(const std::string& text, const std::string& caption);
// Calls the preview hooks when installed.
void clear_preview();
void show_preview_picture(const AVFrame* picture, const AVCodecContext* decoder);

// Decoded pictures left before the next shown one: decremented by the packet
// step for every decoded picture, set back to 10 when a picture is shown.
// Starts at 10 and is never reset between jobs.
std::atomic<int>& preview_countdown();

}  // namespace engine

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_work.h"

namespace app {

WindowWork::~WindowWork() { finish(); }

bool WindowWork::start_batch(std::unique_ptr<batch::BatchWindow> window) {
  if (converting_.running()) return false;
  batch_.clear_cancel();
  return converting_.start([this, window = std::shared_ptr<batch::BatchWindow>(std::move(window))] {
    batch_.run(*window);
  });
}

bool WindowWork::start_adding(std::function<void()> task, std::function<void()> ended) {
  if (adding_.running()) return false;
  add_stop_.store(false, std::memory_order_relaxed);
  return adding_.start(std::move(task), std::move(ended));
}

void WindowWork::cancel() {
  add_stop_.store(true, std::memory_order_relaxed);
  batch_.cancel();
}

bool WindowWork::finish(int limit_ms) {
  if (converting_.running() || adding_.running()) cancel();
  const bool converted = converting_.finish(limit_ms);
  const bool added = adding_.finish(limit_ms);
  return converted && added;
}

}  // namespace app

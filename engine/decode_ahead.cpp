// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/decode_ahead.h"

namespace engine {

void DecodeAhead::push(Decoded item) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] {
    if (static_cast<int>(queue_.size()) >= item_limit_) return false;
    return !item.picture || pictures_ < picture_limit_;
  });
  if (item.picture) ++pictures_;
  queue_.push_back(std::move(item));
  changed_.notify_all();
}

void DecodeAhead::close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  changed_.notify_all();
}

bool DecodeAhead::pop(Decoded& item) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return closed_ || !queue_.empty(); });
  if (queue_.empty()) return false;
  item = std::move(queue_.front());
  queue_.pop_front();
  if (item.picture) --pictures_;
  changed_.notify_all();
  return true;
}

}  // namespace engine

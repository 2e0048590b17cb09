// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/batch_session.h"

#include <chrono>
#include <stop_token>

#include "batch/batch_worker.h"
#include "batch/progress_state.h"

namespace batch {

namespace {

void raise_stop_flags() {
  auto& p = progress();
  p.batch_stop_requested.store(true, std::memory_order_relaxed);
  p.stop_requested.store(true, std::memory_order_relaxed);
}

}  // namespace

BatchSession::~BatchSession() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (running() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (running()) thread_.detach();
}

bool BatchSession::start(std::function<std::unique_ptr<BatchWindow>()> make) {
  if (running()) return false;
  if (thread_.joinable()) thread_.join();
  auto& p = progress();
  p.batch_stop_requested.store(false, std::memory_order_relaxed);
  p.stop_requested.store(false, std::memory_order_relaxed);
  p.conversion_running.store(true, std::memory_order_relaxed);
  finished_.store(false);
  thread_ = std::jthread([this, make = std::move(make)](std::stop_token token) {
    {
      // A stop asked before this line runs is carried out at once.
      std::stop_callback on_stop(token, raise_stop_flags);
      const std::unique_ptr<BatchWindow> window = make();
      run_batch(*window, spec_);
    }
    finished_.store(true);
  });
  return true;
}

void BatchSession::cancel() {
  if (thread_.joinable()) thread_.request_stop();
}

BatchSession& window_session() {
  static BatchSession session;
  return session;
}

}  // namespace batch

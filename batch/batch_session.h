// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's batch: one worker thread at a time, owned here with its stop
// token. Starting and cancelling are the only writers of the batch's stop
// flags, so a Cancel given at any moment after a start reaches that batch.

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "batch/batch_window.h"
#include "engine/job.h"

namespace batch {

class BatchSession {
 public:
  BatchSession() = default;
  // A session still running at process end asks its file to stop (which
  // still finishes it properly) and gives the worker ten seconds.
  ~BatchSession();
  BatchSession(const BatchSession&) = delete;
  BatchSession& operator=(const BatchSession&) = delete;

  // Clears the stop flags and starts run_batch over the window `make`
  // returns (made on the worker thread). False, with nothing changed, while
  // a batch runs: two batches at once would fight over one list.
  bool start(std::function<std::unique_ptr<BatchWindow>()> make);
  // The running file ends properly and no further row starts.
  void cancel();
  bool running() const { return !finished_.load(); }

 private:
  engine::JobSpec spec_;  // kept from row to row and batch to batch (worker thread)
  std::jthread thread_;
  std::atomic<bool> finished_{true};
};

// The one session of the window.
BatchSession& window_session();

}  // namespace batch

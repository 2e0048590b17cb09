// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's work on other threads: the batch and the adding of
// files, one of each at a time, each on a thread the window starts and
// joins, with the flags the window's commands set for them. The window owns
// it; its functions run on the UI thread unless they say otherwise.

#include <atomic>
#include <functional>
#include <memory>

#include "app/worker_thread.h"
#include "batch/batch.h"
#include "batch/batch_window.h"

namespace app {

class WindowWork {
 public:
  WindowWork() = default;
  // Cancels what runs and waits for it (see finish).
  ~WindowWork();
  WindowWork(const WindowWork&) = delete;
  WindowWork& operator=(const WindowWork&) = delete;

  // The batch's flags and what it keeps from one batch to the next.
  batch::Batch& batch() { return batch_; }
  // "Convert!": a batch over `window` on the converting thread, Cancel
  // cleared first. False, with nothing changed, while a batch runs: two
  // batches at once would fight over one list.
  bool start_batch(std::unique_ptr<batch::BatchWindow> window);
  bool batch_running() const { return converting_.running(); }

  // Adding files: `task` on the adding thread, the add stop cleared first;
  // `ended` on the UI thread once it has ended. False, with nothing
  // started, while an earlier task still adds.
  bool start_adding(std::function<void()> task, std::function<void()> ended);
  bool adding() const { return adding_.running(); }
  // Whether Cancel asked the adding to stop (the adding thread).
  bool add_stopped() const { return add_stop_.load(std::memory_order_relaxed); }

  // Cancel: the running file ends properly, no further row starts and no
  // further file is added.
  void cancel();
  // Cancels, then serves the UI thread's events until the batch and the
  // adding have ended or `limit_ms` has passed (never when negative). True
  // when both have ended.
  bool finish(int limit_ms = -1);

 private:
  batch::Batch batch_;
  // No further file is to be added: Cancel sets it and starting an add
  // clears it (the UI thread); the adding thread polls it.
  std::atomic<bool> add_stop_{false};
  // Declared last: their threads, which use the members above, are joined
  // first.
  WorkerThread converting_;
  WorkerThread adding_;
};

}  // namespace app

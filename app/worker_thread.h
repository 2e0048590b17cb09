// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One task at a time on a thread of its own, started and joined by the UI
// thread. The task reaches the window only through run_on_ui, so a UI
// thread that waits for it keeps serving the window's events meanwhile;
// when the task ends its thread wakes the UI thread, so that the waiting
// sleeps in the event loop rather than polling.

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace app {

class WorkerThread {
 public:
  WorkerThread() = default;
  // Waits for a running task (see finish).
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Starts `task` on a new thread; false, with nothing started, while the
  // last task still runs. `ended`, if given, runs on the UI thread once the
  // task has ended (running() is false by then).
  bool start(std::function<void()> task, std::function<void()> ended = {});
  bool running() const;
  // Serves the UI thread's events until the task has ended, or `limit_ms`
  // has passed (never when negative), then joins an ended task. True when
  // no task runs any more.
  bool finish(int limit_ms = -1);

 private:
  // One started task: its thread, and its end, which that thread alone sets.
  struct Task {
    std::atomic<bool> ended{false};
    std::jthread thread;
  };
  std::unique_ptr<Task> task_;
};

}  // namespace app

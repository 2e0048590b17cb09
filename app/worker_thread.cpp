// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/worker_thread.h"

#include <QCoreApplication>
#include <QTimer>

#include "app/ui_call.h"

namespace app {

WorkerThread::~WorkerThread() { finish(); }

bool WorkerThread::start(std::function<void()> task, std::function<void()> ended) {
  if (!finish(0)) return false;
  task_ = std::make_unique<Task>();
  task_->thread = std::jthread([flag = &task_->ended, task = std::move(task), ended = std::move(ended)] {
    task();
    flag->store(true, std::memory_order_release);
    // Also wakes a UI thread that waits in finish(), which then looks again.
    post_to_ui(ended);
  });
  return true;
}

bool WorkerThread::running() const { return task_ && !task_->ended.load(std::memory_order_acquire); }

bool WorkerThread::finish(int limit_ms) {
  if (!task_) return true;
  // Without an application there is no UI thread to serve: the task's calls
  // to it return at once.
  if (running() && limit_ms != 0 && QCoreApplication::instance()) {
    QTimer deadline;
    deadline.setSingleShot(true);
    if (limit_ms > 0) deadline.start(limit_ms);
    while (running() && (limit_ms < 0 || deadline.isActive()))
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  if (running()) return false;
  task_.reset();
  return true;
}

}  // namespace app

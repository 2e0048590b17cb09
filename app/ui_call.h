// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a call on the user-interface thread while the calling thread waits:
// directly when already there, otherwise handed over as an event. Worker
// threads touch the window only through this, so every control update is
// complete before the worker goes on (it may read back what it just set).

#include <QCoreApplication>
#include <QThread>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

namespace app {

// One call handed to the UI thread. The caller waits on this object's own
// mutex rather than on Qt's uninstrumented semaphore, so that
// ThreadSanitizer sees every value passed to and from the call.
class UiCall {
 public:
  explicit UiCall(std::function<void()> call) : call_(std::move(call)) {}
  // The calling thread: hands the call to the UI thread of `application`
  // and waits until it has run there, or was dropped unrun because the
  // application went away first.
  void run_and_wait(QCoreApplication& application);
  // The UI thread.
  void run();
  void drop();

 private:
  void finish();
  std::function<void()> call_;
  std::mutex mutex_;
  std::condition_variable finished_;
  bool done_ = false;  // under mutex_
};

// Runs `call` on the UI thread later; the caller does not wait. An empty
// call only wakes the UI thread's event loop, so that a processEvents that
// waits for more events returns. Without an application nothing runs.
void post_to_ui(std::function<void()> call);

// Without an application object, or once it is gone, there is no UI
// thread: the call is not made at all (widget code must never run on a
// worker) and a value-returning call gives R{}. The same holds for a call
// that was still queued when the application went away.
template <class F>
auto run_on_ui(F&& f) -> std::invoke_result_t<F&> {
  using R = std::invoke_result_t<F&>;
  QCoreApplication* a = QCoreApplication::instance();
  if (a && QThread::currentThread() == a->thread()) return f();
  if constexpr (std::is_void_v<R>) {
    if (a) UiCall([&f] { f(); }).run_and_wait(*a);
  } else {
    std::optional<R> result;
    if (a) UiCall([&f, &result] { result.emplace(f()); }).run_and_wait(*a);
    return result ? std::move(*result) : R{};
  }
}

}  // namespace app

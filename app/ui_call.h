// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a call on the user-interface thread while the calling thread waits:
// directly when already there, otherwise as a blocking queued call. Worker
// threads touch the window only through this, so every control update is
// complete before the worker goes on (it may read back what it just set).

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <optional>
#include <type_traits>
#include <utility>

namespace app {

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
    if (a) QMetaObject::invokeMethod(a, [&f] { f(); }, Qt::BlockingQueuedConnection);
  } else {
    std::optional<R> result;
    if (a) QMetaObject::invokeMethod(a, [&f, &result] { result.emplace(f()); }, Qt::BlockingQueuedConnection);
    return result ? std::move(*result) : R{};
  }
}

}  // namespace app

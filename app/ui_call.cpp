// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui_call.h"

#include <QEvent>
#include <QObject>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace app {

namespace {

// The event is made on the calling thread and read and deleted on the UI
// thread; Qt's event queue, which orders the two, is not instrumented, so
// the hand-over is told to ThreadSanitizer: everything the calling thread
// wrote before it (the call and what it captured) is seen by the UI thread.
#if defined(__SANITIZE_THREAD__)
void handed_over(void* event) { __tsan_release(event); }
void taken_over(void* event) { __tsan_acquire(event); }
#else
void handed_over(void*) {}
void taken_over(void*) {}
#endif

const QEvent::Type kCallEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type kPostedEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class CallEvent : public QEvent {
 public:
  explicit CallEvent(UiCall& call) : QEvent(kCallEvent), call_(&call) {}
  // Deleted unrun (the application went away first): the caller goes on.
  ~CallEvent() override {
    taken_over(this);
    if (call_) call_->drop();
  }
  void run() {
    taken_over(this);
    std::exchange(call_, nullptr)->run();
  }

 private:
  UiCall* call_;
};

// A call nobody waits for; dropped unrun when the application goes first.
class PostedEvent : public QEvent {
 public:
  explicit PostedEvent(std::function<void()> call) : QEvent(kPostedEvent), call_(std::move(call)) {}
  void run() {
    if (call_) call_();
  }

 private:
  std::function<void()> call_;
};

// Carries the calls out on the UI thread.
class CallReceiver : public QObject {
 public:
  bool event(QEvent* e) override {
    taken_over(e);
    if (e->type() == kPostedEvent) static_cast<PostedEvent*>(e)->run();
    else if (e->type() == kCallEvent) static_cast<CallEvent*>(e)->run();
    else return QObject::event(e);
    return true;
  }
};

// The receiver of `application`'s UI thread, made on first use.
QObject* receiver(QCoreApplication& application) {
  static std::mutex mutex;
  static QCoreApplication* made_for = nullptr;
  static QObject* made = nullptr;
  std::lock_guard lock(mutex);
  if (made_for != &application) {
    // A new object has the calling thread's affinity until it is moved.
    made = new CallReceiver;
    made->moveToThread(application.thread());
    made_for = &application;
  }
  return made;
}

}  // namespace

void post_to_ui(std::function<void()> call) {
  QCoreApplication* application = QCoreApplication::instance();
  if (!application) return;
  auto* event = new PostedEvent(std::move(call));
  handed_over(event);
  QCoreApplication::postEvent(receiver(*application), event);
}

void UiCall::run_and_wait(QCoreApplication& application) {
  auto* event = new CallEvent(*this);
  handed_over(event);
  QCoreApplication::postEvent(receiver(application), event);
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [this] { return done_; });
}

void UiCall::run() {
  call_();
  finish();
}

void UiCall::drop() { finish(); }

void UiCall::finish() {
  // Notified under the lock: the caller cannot return, and free this
  // object, before the UI thread has let go of it.
  std::lock_guard lock(mutex_);
  done_ = true;
  finished_.notify_one();
}

}  // namespace app

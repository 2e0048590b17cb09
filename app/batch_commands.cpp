// The option lists, presets and the batch as the main window's commands.
#include <QCoreApplication>
#include <QPointer>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/batch_thread.h"
#include "app/batch_window_adapter.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "app/option_controls.h"
#include "batch/batch_worker.h"
#include "engine/progress.h"
#include "presets/option_tables.h"

namespace app {

namespace {

// The one batch worker thread. "Convert!" starts it and returns at once;
// closing the window does not wait for it (the program ends without running
// static destructors). A process that does end normally (the tests) asks the
// running file to stop, which still finishes it properly, and gives the
// worker a few seconds, so that it never runs on while the engine's
// process-wide state is destroyed.
class BatchThread {
 public:
  ~BatchThread() {
    if (!thread_.joinable()) return;
    auto& p = engine::progress();
    p.batch_stop_requested.store(true, std::memory_order_relaxed);
    p.stop_requested.store(true, std::memory_order_relaxed);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!finished_.load() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (finished_.load()) thread_.join();
    else thread_.detach();
  }

  // Starts a batch unless one is still running: two batches at once would
  // share the one engine.
  bool start(MainWindow& window) {
    if (thread_.joinable()) {
      if (!finished_.load()) return false;
      thread_.join();
    }
    finished_.store(false);
    thread_ = std::thread([this, target = QPointer<MainWindow>(&window)] {
      BatchWindowAdapter adapter(target);
      batch::run_batch(adapter);
      finished_.store(true);
    });
    return true;
  }

  bool running() const { return thread_.joinable() && !finished_.load(); }

 private:
  std::thread thread_;
  std::atomic<bool> finished_{true};
};

BatchThread& batch_thread() {
  static BatchThread thread;
  return thread;
}

}  // namespace

bool batch_running() { return batch_thread().running(); }

void finish_batch_before_exit(int limit_ms) {
  if (!batch_running()) return;
  auto& p = engine::progress();
  p.batch_stop_requested.store(true, std::memory_order_relaxed);
  p.stop_requested.store(true, std::memory_order_relaxed);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
  while (batch_running() && std::chrono::steady_clock::now() < deadline)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void fill_option_lists(MainWindow& window) { fill_lists(window); }

void start_batch(MainWindow& window) {
  // Ignored while a batch runs, with its flags untouched: a Cancel given to
  // that batch keeps ending it.
  if (batch_running()) return;
  // Cleared here, before the worker exists, and nowhere else: a Cancel
  // pressed at any moment after this stops the batch, even one that comes
  // before the first job has begun.
  auto& p = engine::progress();
  p.batch_stop_requested.store(false, std::memory_order_relaxed);
  p.stop_requested.store(false, std::memory_order_relaxed);
  p.conversion_running.store(true, std::memory_order_relaxed);
  batch_thread().start(window);
}

void apply_preset_command(MainWindow& window, int command_id) {
  const int position = presets::preset_for_command(command_id);
  if (position < 0) return;
  apply_preset(window, position);
  select_preset_entry(window, position);
}

void preset_list_changed(MainWindow& window, int position) { apply_preset(window, position); }

}  // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
// The option lists, presets and the batch as the main window's commands.
#include <QCoreApplication>
#include <QPointer>

#include <chrono>
#include <memory>

#include "app/batch_thread.h"
#include "app/batch_window_adapter.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "app/option_controls.h"
#include "batch/batch_session.h"
#include "presets/option_tables.h"

namespace app {

bool batch_running() { return batch::window_session().running(); }

void cancel_batch() { batch::window_session().cancel(); }

void finish_batch_before_exit(int limit_ms) {
  if (!batch_running()) return;
  cancel_batch();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
  while (batch_running() && std::chrono::steady_clock::now() < deadline)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void fill_option_lists(MainWindow& window) { fill_lists(window); }

void start_batch(MainWindow& window) {
  // Ignored while a batch runs: a Cancel given to that batch keeps ending it.
  batch::window_session().start(
      [target = QPointer<MainWindow>(&window)] { return std::make_unique<BatchWindowAdapter>(target); });
}

void apply_preset_command(MainWindow& window, int command_id) {
  const int position = presets::preset_for_command(command_id);
  if (position < 0) return;
  apply_preset(window, position);
  select_preset_entry(window, position);
}

void preset_list_changed(MainWindow& window, int position) { apply_preset(window, position); }

}  // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
// The option lists, presets and the batch as the main window's commands.
#include <QPointer>

#include <memory>

#include "app/batch_window_adapter.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "app/option_controls.h"
#include "app/window_work.h"
#include "presets/option_tables.h"

namespace app {

void fill_option_lists(MainWindow& window) { fill_lists(window); }

void start_batch(MainWindow& window) {
  // Ignored while a batch runs: a Cancel given to that batch keeps ending it.
  window.work().start_batch(std::make_unique<BatchWindowAdapter>(QPointer<MainWindow>(&window)));
}

void apply_preset_command(MainWindow& window, int command_id) {
  const int position = presets::preset_for_command(command_id);
  if (position < 0) return;
  apply_preset(window, position);
  select_preset_entry(window, position);
}

void preset_list_changed(MainWindow& window, int position) { apply_preset(window, position); }

}  // namespace app

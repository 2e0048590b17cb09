// SPDX-License-Identifier: GPL-3.0-or-later
// The window's busy/idle switch.

#include <QAction>
#include <QRadioButton>

#include <array>

#include "app/ids.h"
#include "app/main_window.h"
#include "app/ui_call.h"

namespace app {
namespace {

// Menu items that add to or change the list; greyed while busy.
constexpr std::array kListCommands{kCmdAddFiles, kCmdAddFolder, kCmdClearList, kCmdSelectAll, kCmdUnselectAll};

}  // namespace

ShellFlags& shell_flags() {
  static ShellFlags flags;
  return flags;
}

void MainWindow::set_busy(bool busy) {
  run_on_ui([this, busy] { set_busy_here(busy); });
}

// Touches only what adding or converting must not have changed under it: the
// option lists, the preset list, the video bit rate, the preview box, the
// Presets menu, About and Quit stay usable in both states.
void MainWindow::set_busy_here(bool busy) {
  for (int id : {kIdConvert, kIdFileList, kIdSaveBesideSource, kIdSaveHere, kIdBrowseFolder})
    control(id)->setEnabled(!busy);
  control(kIdCancel)->setEnabled(busy);
  if (busy) {
    auto* beside = control_as<QRadioButton>(kIdSaveBesideSource);
    shell_flags().saved_beside_source.store(beside->isChecked(), std::memory_order_relaxed);
  }
  for (int id : kListCommands) action(id)->setEnabled(!busy);
  if (!busy)
    control(kIdBrowseFolder)->setEnabled(!shell_flags().saved_beside_source.load(std::memory_order_relaxed));
}

}  // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
// The window's busy/idle switch.

#include <QAction>
#include <QPointer>
#include <QRadioButton>

#include <array>

#include "app/ids.h"
#include "app/main_window.h"
#include "app/ui_call.h"

namespace app {
namespace {

// Menu items that add to or change the list; greyed while busy.
constexpr std::array kListCommands{kCmdAddFiles,   kCmdAddFolder,      kCmdRemoveRows, kCmdRemoveFinished,
                                   kCmdClearList, kCmdSelectAll, kCmdUnselectAll};

}  // namespace

void MainWindow::set_busy(bool busy) {
  run_on_ui([this, busy] { set_busy_here(busy); });
}

std::function<void()> MainWindow::idle_switch() {
  return [window = QPointer<MainWindow>(this)] {
    if (window) window->set_busy_here(false);
  };
}

// Touches only what adding or converting must not have changed under it: the
// option lists, the preset list, the video bit rate, the preview box, the
// Presets menu, About and Quit stay usable in both states.
void MainWindow::set_busy_here(bool busy) {
  // Only the first busy and the last idle switch.
  if (busy && ++busy_holders_ > 1) return;
  if (!busy && busy_holders_ > 0 && --busy_holders_ > 0) return;
  for (int id : {kIdConvert, kIdFileList, kIdSaveBesideSource, kIdSaveHere, kIdBrowseFolder})
    control(id)->setEnabled(!busy);
  control(kIdCancel)->setEnabled(busy);
  if (busy) saved_beside_source_ = control_as<QRadioButton>(kIdSaveBesideSource)->isChecked();
  for (int id : kListCommands) action(id)->setEnabled(!busy);
  if (!busy) control(kIdBrowseFolder)->setEnabled(!saved_beside_source_);
}

}  // namespace app

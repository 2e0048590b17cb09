// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_window.h"

#include <QCloseEvent>
#include <QScreen>

#include "app/commands.h"
#include "app/ids.h"
#include "app/list_store.h"
#include "app/ui_call.h"
#include "app/when_done.h"
#include "app/window_work.h"

namespace app {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), work_(std::make_unique<WindowWork>()) {
  setWindowTitle(QStringLiteral("Clipmill V1.6"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  build_controls();
  build_menus();
  connect_commands();
  open_steps();
  set_default_size();
  restore_window_size(*this);
  if (QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
}

// A batch or an adding still running is cancelled and waited for while
// every control still exists; their calls to the window are served
// meanwhile.
MainWindow::~MainWindow() { work_->finish(); }

// The steps that run once the window exists, before it is first shown.
void MainWindow::open_steps() {
  create_preview(*this);
  set_opening_texts();
  prepare_file_list(*this);
  build_status_bar();
  restore_output_folder(*this);
  fill_option_lists(*this);
  when_done_ = std::make_unique<WhenDone>(*this);
  restore_choices(*this);
  run_first_launch();
}

QWidget* MainWindow::control(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

QAction* MainWindow::action(int command_id) const {
  auto it = actions_.find(command_id);
  return it == actions_.end() ? nullptr : it->second;
}

// Closing saves the choices and ends the program; running threads are
// neither waited for nor stopped.
void MainWindow::closeEvent(QCloseEvent* event) {
  if (!saved_) {
    saved_ = true;
    save_choices(*this);
    list_store::write_list(*this);
  }
  event->accept();
  emit closed();
}

}  // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
// Command dispatch: buttons, menu items and the preset list give their ids
// to dispatch_command; the work of each command lives with its module.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "app/commands.h"
#include "app/file_list_menu.h"
#include "app/folder_picker.h"
#include "app/ids.h"
#include "app/main_window.h"
#include "app/settings_file.h"
#include "app/window_work.h"
#include "presets/option_tables.h"

namespace app {
namespace {

bool is_preset_command(int id) { return presets::preset_for_command(id) >= 0; }

}  // namespace

void MainWindow::connect_commands() {
  for (int id : {kIdConvert, kIdCancel, kIdQuit, kIdBrowseFolder, kIdSaveBesideSource, kIdSaveHere,
                 kIdPreviewBox}) {
    auto* button = control_as<QAbstractButton>(id);
    connect(button, &QAbstractButton::clicked, this, [this, id] { dispatch_command(id); });
  }
  for (auto& [id, action] : actions_) {
    connect(action, &QAction::triggered, this, [this, id = id] { dispatch_command(id); });
  }
  // Only a change the user makes; selections made by the program (restoring,
  // applying a preset) do not come here.
  connect(control_as<QComboBox>(kIdPresetList), &QComboBox::activated, this,
          [this](int position) { preset_list_changed(*this, position); });
}

void MainWindow::dispatch_command(int id) {
  switch (id) {
    case kIdConvert:
      start_batch(*this);
      return;
    case kIdCancel:
      work().cancel();
      return;
    case kIdQuit:
    case kCmdQuit:
      close();
      return;
    case kCmdAbout:
      show_about();
      return;
    case kIdSaveBesideSource:
      control(kIdBrowseFolder)->setEnabled(false);
      return;
    case kIdSaveHere:
      control(kIdBrowseFolder)->setEnabled(true);
      return;
    case kIdBrowseFolder:
      choose_output_folder();
      return;
    case kIdPreviewBox:
      work().batch().set_preview(control_as<QCheckBox>(kIdPreviewBox)->isChecked());
      return;
    case kCmdAddFiles:
      start_add_files(*this);
      return;
    case kCmdAddFolder:
      start_add_folder(*this);
      return;
    case kCmdClearList:
      clear_file_list(*this);
      return;
    case kCmdRemoveRows:
      remove_selected_rows(*this);
      return;
    case kCmdRemoveFinished:
      remove_finished_rows(*this);
      return;
    case kCmdSelectAll:
      tick_all_rows(*this, true);
      return;
    case kCmdUnselectAll:
      tick_all_rows(*this, false);
      return;
    default:
      if (is_preset_command(id)) apply_preset_command(*this, id);
      return;
  }
}

// The picked folder is stored at once, so it survives an abnormal end.
void MainWindow::choose_output_folder() {
  const std::string folder =
      pick_folder(this, QStringLiteral("Select the output directory: "),
                  QFile::encodeName(control_as<QLineEdit>(kIdOutputFolder)->text()).toStdString());
  if (folder.empty()) return;
  control_as<QLineEdit>(kIdOutputFolder)->setText(QString::fromStdString(folder));
  write_setting("output", "path", folder);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
    QMainWindow::keyPressEvent(event);
    return;
  }
  if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); focused && focused->isEnabled()) {
    focused->click();
  } else if (control(kIdConvert)->isEnabled()) {
    dispatch_command(kIdConvert);
  }
  event->accept();
}

}  // namespace app

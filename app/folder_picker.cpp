// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/folder_picker.h"

#include <QFileDialog>

namespace app {
namespace {

FolderPicker& current_picker() {
  static FolderPicker picker;
  return picker;
}

// The system's folder dialog, starting at the top of the folder tree.
std::string system_picker(QWidget* parent, const QString& prompt) {
  return QFileDialog::getExistingDirectory(parent, prompt, QStringLiteral("/"), QFileDialog::ShowDirsOnly)
      .toStdString();
}

}  // namespace

void set_folder_picker(FolderPicker picker) { current_picker() = std::move(picker); }

std::string pick_folder(QWidget* parent, const QString& prompt) {
  const FolderPicker& picker = current_picker();
  return picker ? picker(parent, prompt) : system_picker(parent, prompt);
}

}  // namespace app

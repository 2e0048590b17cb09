// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/folder_picker.h"

#include <QFile>
#include <QFileDialog>

namespace app {
namespace {

FolderPicker& current_picker() {
  static FolderPicker picker;
  return picker;
}

// The system's folder dialog, starting at the top of the folder tree.
std::string system_picker(QWidget* parent, const QString& prompt) {
  // The name as the file system spells it, which need not be UTF-8.
  return QFile::encodeName(
             QFileDialog::getExistingDirectory(parent, prompt, QStringLiteral("/"), QFileDialog::ShowDirsOnly))
      .toStdString();
}

}  // namespace

void set_folder_picker(FolderPicker picker) { current_picker() = std::move(picker); }

std::string pick_folder(QWidget* parent, const QString& prompt) {
  const FolderPicker& picker = current_picker();
  return picker ? picker(parent, prompt) : system_picker(parent, prompt);
}

}  // namespace app

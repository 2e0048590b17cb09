// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/folder_picker.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace app {
namespace {

FolderPicker& current_picker() {
  static FolderPicker picker;
  return picker;
}

// The system's folder dialog, opening at `start` when that is a folder,
// else at the user's videos folder.
std::string system_picker(QWidget* parent, const QString& prompt, const std::string& start) {
  QString folder = QFile::decodeName(QByteArray::fromStdString(start));
  if (folder.isEmpty() || !QFileInfo(folder).isDir())
    folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
  // The name as the file system spells it, which need not be UTF-8.
  return QFile::encodeName(QFileDialog::getExistingDirectory(parent, prompt, folder, QFileDialog::ShowDirsOnly))
      .toStdString();
}

}  // namespace

void set_folder_picker(FolderPicker picker) { current_picker() = std::move(picker); }

std::string pick_folder(QWidget* parent, const QString& prompt, const std::string& start) {
  const FolderPicker& picker = current_picker();
  return picker ? picker(parent, prompt) : system_picker(parent, prompt, start);
}

}  // namespace app

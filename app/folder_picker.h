// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The folder picker behind the "..." button, replaceable so that tests can
// answer it without a dialog.

#include <QString>

#include <functional>
#include <string>

class QWidget;

namespace app {

// Returns the chosen folder, or empty when the user cancelled.
using FolderPicker = std::function<std::string(QWidget* parent, const QString& prompt)>;

// Replaces the picker; an empty function restores the system's dialog.
void set_folder_picker(FolderPicker picker);
// The system's dialog opens at `start` when that is a folder, else at the
// user's videos folder.
std::string pick_folder(QWidget* parent, const QString& prompt, const std::string& start = {});

}  // namespace app

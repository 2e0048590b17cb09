// SPDX-License-Identifier: GPL-3.0-or-later
// "Add MTS/M2TS file": the open-file dialog and the adding of the chosen
// files on a thread of their own, so the window stays responsive while each
// file is probed.

#include <QFile>
#include <QFileDialog>
#include <QPointer>

#include <string>
#include <vector>

#include "app/commands.h"
#include "app/file_list.h"
#include "app/main_window.h"
#include "app/ui_call.h"
#include "app/window_work.h"
#include "probe/probe.h"
#include "probe/spanned.h"

namespace app {
namespace {

// The description is shown as it is; the patterns in the last parentheses
// are the ones the dialog filters with (letter case ignored).
const char* const kFilter =
    "MTS, M2TS files (*.mts; *.m2ts; *.mpg) (*.mts *.m2ts *.mpg *.mpeg)";

// Shows the dialog owned by the window; the chosen existing files in order,
// none when cancelled. UI thread.
std::vector<std::string> choose_files(MainWindow& window) {
  QFileDialog dialog(&window);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setOption(QFileDialog::ReadOnly, false);
  dialog.setNameFilter(QString::fromUtf8(kFilter));
  std::vector<std::string> files;
  if (dialog.exec() != QDialog::Accepted) return files;
  for (const QString& file : dialog.selectedFiles())
    files.push_back(QFile::encodeName(file).toStdString());
  return files;
}

void add_files_from_dialog(MainWindow& window) {
  const std::vector<std::string> files = run_on_ui([&] { return choose_files(window); });
  // The parts of one recording among them become one row.
  probe::group_recordings(files, file_list::joins_spanned_clips(window), [&](std::vector<std::string> parts) {
    if (window.work().add_stopped()) return;
    if (probe::accepts_path(parts.front())) file_list::add_recording(window, parts, 0);
  });
}

}  // namespace

void start_add_files(MainWindow& window) {
  if (window.work().adding()) return;
  // Busy before the thread exists, so the command is greyed before a second
  // click could start a second dialog.
  window.set_busy(true);
  window.work().start_adding([&window] { add_files_from_dialog(window); }, window.idle_switch());
}

}  // namespace app

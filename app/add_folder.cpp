// SPDX-License-Identifier: GPL-3.0-or-later
// "Add folder…" and folders dropped on the list: every accepted file below
// each folder, in name order, the parts of one recording joined into one
// row. The tree is read and the files probed on a thread of their own, so
// the window stays responsive while a whole card goes in; each row appears
// as soon as its facts are read.

#include <sys/stat.h>

#include <QString>

#include <string>
#include <vector>

#include "app/commands.h"
#include "app/file_list.h"
#include "app/folder_picker.h"
#include "app/main_window.h"
#include "app/window_work.h"
#include "probe/folder_walk.h"
#include "probe/spanned.h"

namespace app {
namespace {

void add_folders(MainWindow& window, const std::vector<std::string>& folders) {
  auto add_stopped = [&window] { return window.work().add_stopped(); };
  const bool join = file_list::joins_spanned_clips(window);
  // The rows go in at the top in the folders' name order, one below the other.
  int position = 0;
  for (const std::string& folder : folders) {
    if (add_stopped()) break;
    const std::vector<std::string> files = probe::accepted_files_below(folder);
    probe::group_recordings(files, join, [&](std::vector<std::string> parts) {
      if (add_stopped()) return;
      file_list::add_recording(window, parts, position++);
    });
  }
}

}  // namespace

void start_add_folders(MainWindow& window, std::vector<std::string> folders) {
  if (folders.empty() || window.work().adding()) return;
  // Busy before the thread exists, as for the open-file dialog.
  window.set_busy(true);
  window.work().start_adding([&window, folders = std::move(folders)] { add_folders(window, folders); },
                             window.idle_switch());
}

// Files are probed on the adding thread too, so a large drop does not
// freeze the window; the window is busy meanwhile, as for a folder.
void add_paths(MainWindow& window, const std::vector<std::string>& paths) {
  std::vector<std::string> files, folders;
  for (const std::string& path : paths) {
    struct stat info {};
    (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? folders : files).push_back(path);
  }
  if (files.empty() && folders.empty()) return;
  if (window.work().adding()) {
    // Only a second start's hand-over can meet an adding still running.
    file_list::add_input_files(window, files);
    return;
  }
  window.set_busy(true);
  window.work().start_adding(
      [&window, files = std::move(files), folders = std::move(folders)] {
        file_list::add_input_files(window, files);
        add_folders(window, folders);
      },
      window.idle_switch());
}

void start_add_folder(MainWindow& window) {
  const std::string folder = pick_folder(&window, QStringLiteral("Add the video files below this folder: "));
  if (!folder.empty()) start_add_folders(window, {folder});
}

}  // namespace app

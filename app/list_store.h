// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The input list kept across restarts and crashes: after every change to its
// rows or outcomes the whole list is written to $XDG_STATE_HOME/Clipmill/list
// (else ~/.local/state/Clipmill/list) as a new file renamed into place, so
// the file on disk is always a whole list. At start it is read back.
//
// The file: a first line "Clipmill list 1", then one line per row, top
// down, of tab-separated fields: tick (0/1), running (0/1), done text,
// output path, title, settings, duration, the facts' tooltip, the row's
// tooltip, then every part's path. Each field keeps its exact bytes; "%", a
// byte below 0x21 other than a blank, and every byte from 0x7F up are
// written as "%XX".

#include <optional>
#include <string>
#include <vector>

namespace app {

class MainWindow;

namespace list_store {

// The list file's path; empty when no state folder can be named.
std::string list_path();

// One row as the file holds it.
struct StoredRow {
  int tick = 0;
  bool running = false;  // its job had started and not ended
  std::string done, output, title, settings, duration, facts_tip, tip;
  std::vector<std::string> parts;  // at least one
};

std::string encode(const std::vector<StoredRow>& rows);
// None when the text is not a whole list of this version.
std::optional<std::vector<StoredRow>> decode(const std::string& text);

// Asks for the list to be written within a quarter of a second, so that
// many changes in a row give one write. Any thread.
void list_changed(MainWindow& window);
// Writes the list now (UI thread).
void write_list(MainWindow& window);
// Fills the empty list from the file. A row whose source is gone, or whose
// job was running when the program ended, comes back unticked with a
// tooltip that says so; a damaged file is renamed "list.bad" and the list
// stays empty. UI thread, while the window opens.
void restore_list(MainWindow& window);

}  // namespace list_store
}  // namespace app

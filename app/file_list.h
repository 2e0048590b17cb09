// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The input file list (control 1001) as the rest of the program uses it.
// Every function may be called from any thread: it runs on the UI thread
// while the caller waits.

#include <string>
#include <vector>

#include "batch/batch_window.h"

namespace app {

class MainWindow;

namespace file_list {

enum Column : int { kTitle = 0, kSettings = 1, kDuration = 2, kDone = 3, kPath = 4 };

int row_count(MainWindow& window);
// The position of the row with that identity, or -1 once it has left the
// list.
int row_of(MainWindow& window, batch::RowId id);
// The identities of the ticked rows, top down.
std::vector<batch::RowId> ticked_rows(MainWindow& window);
// 0 ticked (to be converted), 1 unticked.
int row_tick(MainWindow& window, int row);
std::string row_text(MainWindow& window, int row, int column);
void set_row_text(MainWindow& window, int row, int column, const std::string& text);
void scroll_to_row(MainWindow& window, int row);
// The row's done text and, on every column, the tooltip that explains it.
void set_row_outcome(MainWindow& window, int row, const std::string& done_text, const std::string& tooltip);
// The file the row's last job left (converted, or cancelled with a part
// written), which "Play" opens; empty: none.
void set_row_output(MainWindow& window, int row, const std::string& output);
std::string row_output(MainWindow& window, int row);
// The row's job has started writing `output`.
void set_row_running(MainWindow& window, int row, const std::string& output);
// Accepts, probes and inserts one file at the top of the list; probing runs
// on the calling thread.
void add_input_file(MainWindow& window, const std::string& path);
// The accepted ones of `paths`, each recording inserted at the top in turn;
// the parts of one recording become one row while "Join spanned clips" is
// ticked. Probing runs on the calling thread.
void add_input_files(MainWindow& window, const std::vector<std::string>& paths);
// Clears the preview, probes one recording (its parts in order) and inserts
// its row at `position` (clamped to the list).
void add_recording(MainWindow& window, const std::vector<std::string>& parts, int position);
// Whether "Join spanned clips" is ticked.
bool joins_spanned_clips(MainWindow& window);
// The parts after the first of a joined row; none for a row of one file.
std::vector<std::string> row_further_parts(MainWindow& window, int row);
// Toggles the focused row's tick if that row is selected (double click).
void toggle_focused_tick(MainWindow& window);

}  // namespace file_list
}  // namespace app

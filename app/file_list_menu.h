// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a user can do with the rows of the input list besides ticking them:
// remove them, and play, show or copy the file a row's last job left. All on
// the UI thread, and only while the list is enabled (no batch, no adding).

#include <QMenu>

#include <memory>

class QTreeWidgetItem;

namespace app {

class MainWindow;

// "Remove" (Delete): the selected rows leave the list.
void remove_selected_rows(MainWindow& window);
// "Remove finished": every row whose done text is "100 %" leaves the list.
void remove_finished_rows(MainWindow& window);
// The row's context menu: "Play", "Open containing folder" and "Copy output
// path" when the row has an output, then "Remove" and "Remove finished".
std::unique_ptr<QMenu> row_menu(MainWindow& window, QTreeWidgetItem* item);
// A double click: on the done column of a row with an output it plays that
// output; anywhere else it toggles the focused row's tick.
void row_double_clicked(MainWindow& window, QTreeWidgetItem* item, int column);

}  // namespace app

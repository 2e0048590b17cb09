// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the input file list handles itself: files dropped from a file manager
// and the keys it keeps from the window.

class QTreeWidget;

namespace app {

class MainWindow;

// Accepts drops of local files (text/uri-list) while the list is enabled and
// hands them to add_input_file in the order delivered; keeps Tab, Enter and
// Escape from acting on the window while the list has the focus.
void install_file_list_events(MainWindow& window, QTreeWidget& list);

}  // namespace app

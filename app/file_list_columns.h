// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The input list's column widths: each fits the longest text its column
// usually shows (a joined recording's title, a camcorder's settings, an
// hour-long duration, "Cancelled") and its header; the title column takes
// whatever room the list has beyond that.

class QTreeWidget;

namespace app::file_list_columns {

// Sizes the columns of the list (its headers set, no rows yet) for the
// texts above, in the list's font.
void fit_columns(QTreeWidget& list);
// The list's width, frame and scroll bar included, at which every column
// shows those texts whole; 0 before fit_columns.
int fitted_width(const QTreeWidget& list);

}  // namespace app::file_list_columns

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Row storage of the input file list, used on the UI thread only: a row's
// tick lives as item data on column 0 together with its tick picture, and
// its full path as the exact bytes it was added with (a file name need not
// be valid UTF-8, and the batch must open the very same file).

#include <QTreeWidget>

#include <string>
#include <vector>

#include "batch/batch_window.h"
#include "probe/probe.h"

namespace app::file_list_rows {

inline constexpr int kTickRole = Qt::UserRole;
inline constexpr int kPathBytesRole = Qt::UserRole + 1;
// On column kPath: every part of a joined recording (QByteArrayList), and on
// column 0 the facts' tooltip (recording date, parts), kept under outcomes.
inline constexpr int kPartsRole = Qt::UserRole + 2;
inline constexpr int kFactsTipRole = Qt::UserRole + 3;
// On column 0: the row's identity (batch::RowId), given when it is made.
inline constexpr int kIdRole = Qt::UserRole + 4;
// On column kPath: the output of the row's last job that left a playable
// file (QByteArray, exact bytes); absent otherwise.
inline constexpr int kOutputRole = Qt::UserRole + 5;
// On column 0: true while the row's job runs (its output then names the
// file being written).
inline constexpr int kRunningRole = Qt::UserRole + 6;
// On column kPath: the real paths of every part (QByteArrayList), by which
// a file already listed is known.
inline constexpr int kRealPathsRole = Qt::UserRole + 7;

void set_tick(QTreeWidgetItem* item, int tick);
int tick_of(const QTreeWidgetItem* item);
// A new row for the facts of one file, ticked, with an identity no row had
// before.
QTreeWidgetItem* make_row(const probe::FileFacts& facts);
std::string text_of(const QTreeWidgetItem* item, int column);
batch::RowId id_of(const QTreeWidgetItem* item);
// The parts after the first of a joined row; none for one file.
std::vector<std::string> further_parts_of(const QTreeWidgetItem* item);
// The real path of each part (links and ".." resolved); a part that cannot
// be resolved stands for itself.
QByteArrayList real_paths(const std::vector<std::string>& parts);
// Whether some row of `list` holds one of these real paths (ListedPaths).
bool listed(QTreeWidget& list, const QByteArrayList& real);
// The row's output file, empty when its last job left none.
std::string output_of(const QTreeWidgetItem* item);

}  // namespace app::file_list_rows

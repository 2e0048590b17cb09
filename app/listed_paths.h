// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real paths of every part of every row of the input list, counted in
// step with the rows through the list's model (rows inserted, removed,
// cleared), so that a file already listed is found at once however long
// the list is. UI thread only.

#include <QByteArrayList>
#include <QHash>
#include <QObject>

class QAbstractItemModel;
class QTreeWidget;

namespace app {

class ListedPaths : public QObject {
  Q_OBJECT

 public:
  // The index of `list`, made on first use.
  static ListedPaths& of(QTreeWidget& list);
  // Whether some row holds one of these real paths.
  bool contains_any(const QByteArrayList& real) const;

 private:
  explicit ListedPaths(QTreeWidget& list);
  // Adds (+1) or takes away (-1) the paths of the top-level rows first..last.
  void count(int first, int last, int step);

  QAbstractItemModel& model_;  // the list's
  QHash<QByteArray, int> counts_;
};

}  // namespace app

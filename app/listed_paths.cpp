// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/listed_paths.h"

#include <QTreeWidget>

#include "app/file_list.h"
#include "app/file_list_rows.h"

namespace app {

ListedPaths& ListedPaths::of(QTreeWidget& list) {
  if (auto* paths = list.findChild<ListedPaths*>(QString(), Qt::FindDirectChildrenOnly)) return *paths;
  return *new ListedPaths(list);
}

ListedPaths::ListedPaths(QTreeWidget& list) : QObject(&list), list_(list) {
  QAbstractItemModel* model = list.model();
  // Rows are whole (their paths set) when they go in, and still there when
  // they are about to go.
  connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& parent, int first, int last) {
    if (!parent.isValid()) count(first, last, 1);
  });
  connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
          [this](const QModelIndex& parent, int first, int last) {
            if (!parent.isValid()) count(first, last, -1);
          });
  connect(model, &QAbstractItemModel::modelReset, this, [this] {
    counts_.clear();
    count(0, list_.topLevelItemCount() - 1, 1);
  });
  count(0, list.topLevelItemCount() - 1, 1);
}

void ListedPaths::count(int first, int last, int step) {
  for (int row = first; row <= last; ++row) {
    const QTreeWidgetItem* item = list_.topLevelItem(row);
    if (!item) continue;
    for (const QByteArray& path :
         item->data(file_list::kPath, file_list_rows::kRealPathsRole).value<QByteArrayList>()) {
      int& held = counts_[path];
      held += step;
      if (held <= 0) counts_.remove(path);
    }
  }
}

bool ListedPaths::contains_any(const QByteArrayList& real) const {
  for (const QByteArray& path : real)
    if (counts_.contains(path)) return true;
  return false;
}

}  // namespace app

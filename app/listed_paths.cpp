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

// Everything goes through the model, never the list: the model also resets
// while the list is being destroyed.
ListedPaths::ListedPaths(QTreeWidget& list) : QObject(&list), model_(*list.model()) {
  // Rows are whole (their paths set) when they go in, and still there when
  // they are about to go.
  connect(&model_, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& parent, int first, int last) {
    if (!parent.isValid()) count(first, last, 1);
  });
  connect(&model_, &QAbstractItemModel::rowsAboutToBeRemoved, this,
          [this](const QModelIndex& parent, int first, int last) {
            if (!parent.isValid()) count(first, last, -1);
          });
  connect(&model_, &QAbstractItemModel::modelReset, this, [this] {
    counts_.clear();
    count(0, model_.rowCount() - 1, 1);
  });
  count(0, model_.rowCount() - 1, 1);
}

void ListedPaths::count(int first, int last, int step) {
  for (int row = first; row <= last; ++row) {
    const QVariant paths = model_.index(row, file_list::kPath).data(file_list_rows::kRealPathsRole);
    for (const QByteArray& path : paths.value<QByteArrayList>()) {
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

// SPDX-License-Identifier: GPL-3.0-or-later
// The input file list's part of the window: preparing control 1001, and the
// commands "Clear List", "Select All" and "Unselect All".

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

#include "app/commands.h"
#include "app/file_list.h"
#include "app/file_list_columns.h"
#include "app/file_list_events.h"
#include "app/file_list_menu.h"
#include "app/file_list_rows.h"
#include "app/ids.h"
#include "app/list_store.h"
#include "app/main_window.h"
#include "app/ui_call.h"

namespace app {
namespace {

// "path" is present but hidden: the batch reads the full path from it.
constexpr const char* kColumns[] = {"Title", "Settings", "Duration", "Done", "path"};

QTreeWidget* list_of(MainWindow& window) { return window.control_as<QTreeWidget>(kIdFileList); }

}  // namespace

void prepare_file_list(MainWindow& window) {
  QTreeWidget* list = list_of(window);
  if (!list) return;
  list->setColumnCount(static_cast<int>(std::size(kColumns)));
  QStringList headers;
  for (const char* header : kColumns) headers << QString::fromUtf8(header);
  list->setHeaderLabels(headers);
  list->setColumnHidden(file_list::kPath, true);
  list->header()->setStretchLastSection(false);
  list->header()->setSectionsClickable(false);
  list->header()->setSortIndicatorShown(false);
  list->setSortingEnabled(false);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setIconSize(QSize(16, 16));
  // Several rows may be selected so that they can be removed together.
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setAllColumnsShowFocus(true);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setDragDropMode(QAbstractItemView::NoDragDrop);
  list->setFrameShape(QFrame::StyledPanel);
  file_list_columns::fit_columns(*list);
  QObject::connect(list, &QTreeWidget::itemDoubleClicked, list,
                   [&window](QTreeWidgetItem* item, int column) { row_double_clicked(window, item, column); });
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(list, &QWidget::customContextMenuRequested, list, [&window, list](const QPoint& at) {
    row_menu(window, list->itemAt(at))->exec(list->viewport()->mapToGlobal(at));
  });
  install_file_list_events(window, *list);
  list_store::restore_list(window);
}

// The summary of the last batch goes with the rows it was about.
void clear_file_list(MainWindow& window) {
  run_on_ui([&] {
    if (QTreeWidget* list = list_of(window)) list->clear();
    if (QLabel* part = window.status_part(1)) part->clear();
  });
  list_store::list_changed(window);
}

void tick_all_rows(MainWindow& window, bool ticked) {
  run_on_ui([&] {
    QTreeWidget* list = list_of(window);
    if (!list) return;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
      file_list_rows::set_tick(list->topLevelItem(row), ticked ? 0 : 1);
  });
  list_store::list_changed(window);
}

}  // namespace app

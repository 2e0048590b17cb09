// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_list.h"

#include <QTreeWidget>

#include "app/file_list_rows.h"
#include "app/ids.h"
#include "app/main_window.h"
#include "app/pictures.h"
#include "app/ui_call.h"
#include "probe/probe.h"

namespace app {
namespace file_list_rows {

void set_tick(QTreeWidgetItem* item, int tick) {
  item->setData(0, kTickRole, tick);
  item->setIcon(0, picture_icon(tick == 0 ? kIconTickedBox : kIconEmptyBox));
}

int tick_of(const QTreeWidgetItem* item) { return item->data(0, kTickRole).toInt(); }

QTreeWidgetItem* make_row(const probe::FileFacts& facts) {
  auto* item = new QTreeWidgetItem;
  item->setText(file_list::kTitle, QString::fromStdString(facts.title));
  set_tick(item, 0);
  item->setText(file_list::kPath, QString::fromStdString(facts.path));
  item->setData(file_list::kPath, kPathBytesRole, QByteArray::fromStdString(facts.path));
  item->setText(file_list::kDone, QString::fromStdString(facts.done));
  item->setText(file_list::kDuration, QString::fromStdString(facts.duration));
  item->setText(file_list::kSettings, QString::fromStdString(facts.settings));
  return item;
}

std::string text_of(const QTreeWidgetItem* item, int column) {
  if (column == file_list::kPath) {
    QVariant bytes = item->data(column, kPathBytesRole);
    if (bytes.isValid()) return bytes.toByteArray().toStdString();
  }
  return item->text(column).toStdString();
}

}  // namespace file_list_rows

namespace file_list {
namespace {

QTreeWidget* list_of(MainWindow& window) { return window.control_as<QTreeWidget>(kIdFileList); }

QTreeWidgetItem* row_item(MainWindow& window, int row) {
  QTreeWidget* list = list_of(window);
  return list ? list->topLevelItem(row) : nullptr;
}

}  // namespace

int row_count(MainWindow& window) {
  return run_on_ui([&] {
    QTreeWidget* list = list_of(window);
    return list ? list->topLevelItemCount() : 0;
  });
}

int row_tick(MainWindow& window, int row) {
  return run_on_ui([&] {
    QTreeWidgetItem* item = row_item(window, row);
    return item ? file_list_rows::tick_of(item) : 1;
  });
}

std::string row_text(MainWindow& window, int row, int column) {
  return run_on_ui([&] {
    QTreeWidgetItem* item = row_item(window, row);
    return item ? file_list_rows::text_of(item, column) : std::string();
  });
}

void set_row_text(MainWindow& window, int row, int column, const std::string& text) {
  run_on_ui([&] {
    if (QTreeWidgetItem* item = row_item(window, row))
      item->setText(column, QString::fromStdString(text));
  });
}

void set_row_outcome(MainWindow& window, int row, const std::string& done_text, const std::string& tooltip) {
  run_on_ui([&] {
    QTreeWidgetItem* item = row_item(window, row);
    if (!item) return;
    item->setText(kDone, QString::fromStdString(done_text));
    const QString tip = QString::fromStdString(tooltip);
    for (int column = 0; column < item->columnCount(); ++column) item->setToolTip(column, tip);
  });
}

void scroll_to_row(MainWindow& window, int row) {
  run_on_ui([&] {
    if (QTreeWidgetItem* item = row_item(window, row)) item->treeWidget()->scrollToItem(item);
  });
}

void add_input_file(MainWindow& window, const std::string& path) {
  if (!probe::accepts_path(path)) return;
  // Probing takes a while and runs on the calling thread; only the finished
  // row crosses to the UI thread.
  const probe::FileFacts facts = probe::describe_file(path);
  run_on_ui([&] {
    if (QTreeWidget* list = list_of(window))
      list->insertTopLevelItem(0, file_list_rows::make_row(facts));
  });
}

void toggle_focused_tick(MainWindow& window) {
  run_on_ui([&] {
    QTreeWidget* list = list_of(window);
    QTreeWidgetItem* item = list ? list->currentItem() : nullptr;
    if (!item || !item->isSelected()) return;
    file_list_rows::set_tick(item, file_list_rows::tick_of(item) == 0 ? 1 : 0);
  });
}

}  // namespace file_list
}  // namespace app

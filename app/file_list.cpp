// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_list.h"

#include <QCheckBox>
#include <QTreeWidget>

#include <stdlib.h>

#include <algorithm>

#include "app/file_list_rows.h"
#include "app/ids.h"
#include "app/list_store.h"
#include "app/listed_paths.h"
#include "app/main_window.h"
#include "app/pictures.h"
#include "app/ui_call.h"
#include "probe/probe.h"
#include "probe/spanned.h"

namespace app {
namespace file_list_rows {

void set_tick(QTreeWidgetItem* item, int tick) {
  item->setData(0, kTickRole, tick);
  item->setIcon(0, picture_icon(tick == 0 ? kIconTickedBox : kIconEmptyBox));
}

int tick_of(const QTreeWidgetItem* item) { return item->data(0, kTickRole).toInt(); }

QTreeWidgetItem* make_row(const probe::FileFacts& facts) {
  static batch::RowId last_id = 0;  // UI thread
  auto* item = new QTreeWidgetItem;
  item->setData(0, kIdRole, QVariant::fromValue<qulonglong>(++last_id));
  item->setText(file_list::kTitle, QString::fromStdString(facts.title));
  set_tick(item, 0);
  item->setText(file_list::kPath, QString::fromStdString(facts.path));
  item->setData(file_list::kPath, kPathBytesRole, QByteArray::fromStdString(facts.path));
  item->setText(file_list::kDone, QString::fromStdString(facts.done));
  item->setText(file_list::kDuration, QString::fromStdString(facts.duration));
  item->setText(file_list::kSettings, QString::fromStdString(facts.settings));
  if (facts.parts.size() > 1) {
    QByteArrayList parts;
    for (const std::string& part : facts.parts) parts.append(QByteArray::fromStdString(part));
    item->setData(file_list::kPath, kPartsRole, QVariant::fromValue(parts));
  }
  item->setData(file_list::kPath, kRealPathsRole,
                QVariant::fromValue(real_paths(facts.parts.empty() ? std::vector<std::string>{facts.path} : facts.parts)));
  const QString tip = QString::fromStdString(facts.tooltip);
  item->setData(0, kFactsTipRole, tip);
  for (int column = 0; column <= file_list::kPath; ++column) item->setToolTip(column, tip);
  return item;
}

std::vector<std::string> further_parts_of(const QTreeWidgetItem* item) {
  std::vector<std::string> parts;
  const QByteArrayList all = item->data(file_list::kPath, kPartsRole).value<QByteArrayList>();
  for (qsizetype i = 1; i < all.size(); ++i) parts.push_back(all[i].toStdString());
  return parts;
}

QByteArrayList real_paths(const std::vector<std::string>& parts) {
  QByteArrayList real;
  for (const std::string& part : parts) {
    char* resolved = ::realpath(part.c_str(), nullptr);
    real.append(QByteArray(resolved ? resolved : part.c_str()));
    ::free(resolved);
  }
  return real;
}

bool listed(QTreeWidget& list, const QByteArrayList& real) { return ListedPaths::of(list).contains_any(real); }

std::string output_of(const QTreeWidgetItem* item) {
  return item->data(file_list::kPath, kOutputRole).toByteArray().toStdString();
}

batch::RowId id_of(const QTreeWidgetItem* item) { return item->data(0, kIdRole).toULongLong(); }

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
    item->setData(0, file_list_rows::kRunningRole, QVariant());
    QString tip = QString::fromStdString(tooltip);
    if (const QString facts = item->data(0, file_list_rows::kFactsTipRole).toString(); !facts.isEmpty())
      tip = tip.isEmpty() ? facts : tip + QStringLiteral("\n") + facts;
    for (int column = 0; column < item->columnCount(); ++column) item->setToolTip(column, tip);
  });
  list_store::list_changed(window);
}

void set_row_output(MainWindow& window, int row, const std::string& output) {
  run_on_ui([&] {
    QTreeWidgetItem* item = row_item(window, row);
    if (!item) return;
    if (output.empty()) item->setData(kPath, file_list_rows::kOutputRole, QVariant());
    else item->setData(kPath, file_list_rows::kOutputRole, QByteArray::fromStdString(output));
  });
  list_store::list_changed(window);
}

void set_row_running(MainWindow& window, int row, const std::string& output) {
  run_on_ui([&] {
    QTreeWidgetItem* item = row_item(window, row);
    if (!item) return;
    item->setData(0, file_list_rows::kRunningRole, true);
    item->setData(kPath, file_list_rows::kOutputRole, QByteArray::fromStdString(output));
  });
  list_store::list_changed(window);
}

std::string row_output(MainWindow& window, int row) {
  return run_on_ui([&] {
    QTreeWidgetItem* item = row_item(window, row);
    return item ? file_list_rows::output_of(item) : std::string();
  });
}

void scroll_to_row(MainWindow& window, int row) {
  run_on_ui([&] {
    if (QTreeWidgetItem* item = row_item(window, row)) item->treeWidget()->scrollToItem(item);
  });
}

int row_of(MainWindow& window, batch::RowId id) {
  return run_on_ui([&] {
    QTreeWidget* list = list_of(window);
    for (int row = 0; list && row < list->topLevelItemCount(); ++row)
      if (file_list_rows::id_of(list->topLevelItem(row)) == id) return row;
    return -1;
  });
}

std::vector<batch::RowId> ticked_rows(MainWindow& window) {
  return run_on_ui([&] {
    std::vector<batch::RowId> ids;
    QTreeWidget* list = list_of(window);
    for (int row = 0; list && row < list->topLevelItemCount(); ++row) {
      const QTreeWidgetItem* item = list->topLevelItem(row);
      if (file_list_rows::tick_of(item) == 0) ids.push_back(file_list_rows::id_of(item));
    }
    return ids;
  });
}

void add_input_file(MainWindow& window, const std::string& path) {
  if (!probe::accepts_path(path)) return;
  add_recording(window, {path}, 0);
}

void add_recording(MainWindow& window, const std::vector<std::string>& parts, int position) {
  // A file about to be inspected turns the preview black. Probing takes a
  // while and runs on the calling thread; only the finished row crosses to
  // the UI thread.
  // A file already listed (by its real path) is not added again.
  const QByteArrayList real = file_list_rows::real_paths(parts);
  const auto already_listed = [&] {
    QTreeWidget* list = list_of(window);
    return !list || file_list_rows::listed(*list, real);
  };
  if (run_on_ui(already_listed)) return;
  if (const auto& clear = window.job_display().clear_preview) clear();
  const probe::FileFacts facts = probe::describe_recording(parts);
  const bool added = run_on_ui([&] {
    if (already_listed()) return false;
    QTreeWidget* list = list_of(window);
    list->insertTopLevelItem(std::clamp(position, 0, list->topLevelItemCount()), file_list_rows::make_row(facts));
    return true;
  });
  if (!added) return;
  list_store::list_changed(window);
}

void add_input_files(MainWindow& window, const std::vector<std::string>& paths) {
  std::vector<std::string> accepted;
  for (const std::string& path : paths)
    if (probe::accepts_path(path)) accepted.push_back(path);
  probe::group_recordings(accepted, joins_spanned_clips(window),
                          [&](std::vector<std::string> parts) { add_recording(window, parts, 0); });
}

bool joins_spanned_clips(MainWindow& window) {
  return run_on_ui([&] {
    auto* box = window.control_as<QCheckBox>(kIdJoinBox);
    return box && box->isChecked();
  });
}

std::vector<std::string> row_further_parts(MainWindow& window, int row) {
  return run_on_ui([&] {
    QTreeWidgetItem* item = row_item(window, row);
    return item ? file_list_rows::further_parts_of(item) : std::vector<std::string>();
  });
}

void toggle_focused_tick(MainWindow& window) {
  run_on_ui([&] {
    QTreeWidget* list = list_of(window);
    QTreeWidgetItem* item = list ? list->currentItem() : nullptr;
    if (!item || !item->isSelected()) return;
    file_list_rows::set_tick(item, file_list_rows::tick_of(item) == 0 ? 1 : 0);
  });
  list_store::list_changed(window);
}

}  // namespace file_list
}  // namespace app

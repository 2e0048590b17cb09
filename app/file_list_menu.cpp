// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_list_menu.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QTreeWidget>
#include <QUrl>

#include <filesystem>
#include <string>

#include "app/file_list.h"
#include "app/file_list_rows.h"
#include "app/first_launch.h"
#include "app/ids.h"
#include "app/list_store.h"
#include "app/main_window.h"

namespace app {
namespace {

QTreeWidget* usable_list(MainWindow& window) {
  auto* list = window.control_as<QTreeWidget>(kIdFileList);
  return list && list->isEnabled() ? list : nullptr;
}

// The desktop's handler for a local file, through a file:// URL; a name that
// is not valid UTF-8 is carried in the URL's percent-encoding as it is.
void open_local(const std::string& path) {
  const QUrl url = QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path)));
  open_address(url.toString(QUrl::FullyEncoded).toStdString());
}

void remove_items_if(MainWindow& window, bool (*leaves)(QTreeWidgetItem*)) {
  QTreeWidget* list = usable_list(window);
  if (!list) return;
  for (int row = list->topLevelItemCount() - 1; row >= 0; --row) {
    if (leaves(list->topLevelItem(row))) delete list->takeTopLevelItem(row);
  }
  list_store::list_changed(window);
}

}  // namespace

void remove_selected_rows(MainWindow& window) {
  remove_items_if(window, [](QTreeWidgetItem* item) { return item->isSelected(); });
}

void remove_finished_rows(MainWindow& window) {
  remove_items_if(window, [](QTreeWidgetItem* item) { return item->text(file_list::kDone) == QStringLiteral("100 %"); });
}

std::unique_ptr<QMenu> row_menu(MainWindow& window, QTreeWidgetItem* item) {
  auto menu = std::make_unique<QMenu>(&window);
  const std::string output = item ? file_list_rows::output_of(item) : std::string();
  if (!output.empty()) {
    menu->addAction(QStringLiteral("Play"), [output] { open_local(output); });
    menu->addAction(QStringLiteral("Open containing folder"),
                    [output] { open_local(std::filesystem::path(output).parent_path().string()); });
    menu->addAction(QStringLiteral("Copy output path"), [output] {
      QGuiApplication::clipboard()->setText(QFile::decodeName(QByteArray::fromStdString(output)));
    });
    menu->addSeparator();
  }
  menu->addAction(window.action(kCmdRemoveRows));
  menu->addAction(window.action(kCmdRemoveFinished));
  return menu;
}

void row_double_clicked(MainWindow& window, QTreeWidgetItem* item, int column) {
  if (item && column == file_list::kDone) {
    if (const std::string output = file_list_rows::output_of(item); !output.empty()) {
      open_local(output);
      return;
    }
  }
  file_list::toggle_focused_tick(window);
}

}  // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_list_events.h"

#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>

#include <string>
#include <vector>

#include "app/commands.h"
#include "app/file_list.h"
#include "app/main_window.h"

namespace app {
namespace {

std::vector<std::string> local_files(const QMimeData* mime) {
  std::vector<std::string> files;
  if (!mime || !mime->hasUrls()) return files;
  for (const QUrl& url : mime->urls()) {
    if (url.isLocalFile()) files.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
  }
  return files;
}

bool kept_key(int key) {
  return key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return ||
         key == Qt::Key_Enter || key == Qt::Key_Escape;
}

// Drops arrive at the list's viewport, keys at the list itself.
class FileListEvents : public QObject {
 public:
  FileListEvents(MainWindow& window, QTreeWidget& list)
      : QObject(&list), window_(window), list_(list) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (list_.isEnabled() && !local_files(drag->mimeData()).empty())
          drag->acceptProposedAction();
        else
          drag->ignore();
        return true;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!list_.isEnabled()) {
          drop->ignore();
          return true;
        }
        std::vector<std::string> files = local_files(drop->mimeData());
        drop->acceptProposedAction();
        add_paths(window_, files);
        return true;
      }
      case QEvent::ShortcutOverride:
        // Claiming the key here stops window shortcuts from seeing it.
        if (watched == &list_ && kept_key(static_cast<QKeyEvent*>(event)->key())) {
          event->accept();
          return true;
        }
        return false;
      case QEvent::KeyPress:
        // Swallowed before QWidget would move the focus or the window would
        // see Enter or Escape.
        return watched == &list_ && kept_key(static_cast<QKeyEvent*>(event)->key());
      default:
        return false;
    }
  }

 private:
  MainWindow& window_;
  QTreeWidget& list_;
};

}  // namespace

void install_file_list_events(MainWindow& window, QTreeWidget& list) {
  auto* events = new FileListEvents(window, list);
  list.setAcceptDrops(true);
  list.viewport()->setAcceptDrops(true);
  list.viewport()->installEventFilter(events);
  list.installEventFilter(events);
}

}  // namespace app

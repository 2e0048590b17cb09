// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's size: it opens at the designed size (wider when the
// list's columns need it), never gets smaller, and as it grows each control
// follows the edges its growth flags name.

#include <QTreeWidget>

#include <algorithm>

#include "app/control_area.h"
#include "app/file_list_columns.h"
#include "app/ids.h"
#include "app/main_window.h"

namespace app {

void MainWindow::lay_out_controls() {
  QWidget* area = centralWidget();
  if (!area) return;
  const int dx = std::max(0, area->width() - designed_size_.width());
  const int dy = std::max(0, area->height() - designed_size_.height());
  for (const Placed& placed : placed_) {
    QRect place = placed.designed;
    if (placed.growth & kFollowsRight) place.translate(dx, 0);
    if (placed.growth & kFollowsBottom) place.translate(0, dy);
    if (placed.growth & kWidens) place.setWidth(place.width() + dx);
    if (placed.growth & kHeightens) place.setHeight(place.height() + dy);
    placed.control->setGeometry(place);
  }
  place_status_bar();
}

void MainWindow::set_default_size() {
  auto* area = static_cast<ControlArea*>(centralWidget());
  int wider = 0;
  for (const Placed& placed : placed_) {
    if (const auto* list = qobject_cast<const QTreeWidget*>(placed.control))
      wider = std::max(0, file_list_columns::fitted_width(*list) - placed.designed.width());
  }
  area->set_default_size(designed_size_ + QSize(wider, 0));
  resize(sizeHint());
}

}  // namespace app

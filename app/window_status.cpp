// SPDX-License-Identifier: GPL-3.0-or-later
// The status bar (kIdStatusBar): three sunken parts along the bottom edge of the
// client area, ending at 250 pixels, at 110 pixels before the right edge and
// at that edge, whatever the window's width.

#include <QFrame>
#include <QLabel>

#include "app/ids.h"
#include "app/main_window.h"

namespace app {

void MainWindow::build_status_bar() {
  QWidget* area = centralWidget();
  auto* bar = new QWidget(area);
  bar->setObjectName(QString::number(kIdStatusBar));
  for (int i = 0; i < 3; ++i) {
    auto* part = new QLabel(bar);
    part->setObjectName(QStringLiteral("%1.%2").arg(kIdStatusBar).arg(i));
    part->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    part->setIndent(2);
  }
  bar->show();
  controls_[kIdStatusBar] = bar;
  place_status_bar();
  status_part(0)->setText(QStringLiteral("Clipmill - Quorvane Soft"));
}

void MainWindow::place_status_bar() {
  QWidget* bar = control(kIdStatusBar);
  QWidget* area = centralWidget();
  if (!bar || !area) return;
  const int width = area->width();
  const int height = bar->fontMetrics().height() + 6;
  bar->setGeometry(0, area->height() - height, width, height);
  const int ends[3] = {250, width - 110, width};
  int left = 0;
  for (int i = 0; i < 3; ++i) {
    status_part(i)->setGeometry(left, 0, std::max(0, ends[i] - left), height);
    left = ends[i];
  }
}

QLabel* MainWindow::status_part(int index) const {
  QWidget* bar = control(kIdStatusBar);
  if (!bar || index < 0 || index > 2) return nullptr;
  return bar->findChild<QLabel*>(QStringLiteral("%1.%2").arg(kIdStatusBar).arg(index),
                                 Qt::FindDirectChildrenOnly);
}

}  // namespace app

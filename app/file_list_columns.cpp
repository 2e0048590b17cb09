// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_list_columns.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>

#include "app/file_list.h"
#include "app/ids.h"
#include "app/pictures.h"

namespace app::file_list_columns {
namespace {

// The widest text each visible column usually shows.
constexpr const char* kSamples[] = {"00000.MTS (+2 parts)", "1920x1080 (24 MBps)", "000:00", "Cancelled"};
constexpr const char* kFittedWidth = "fittedWidth";

}  // namespace

void fit_columns(QTreeWidget& list) {
  // A row of the sample texts, measured the way the list measures its rows,
  // then taken out again.
  auto* sample = new QTreeWidgetItem;
  for (int column = 0; column < static_cast<int>(std::size(kSamples)); ++column)
    sample->setText(column, QString::fromUtf8(kSamples[column]));
  sample->setIcon(file_list::kTitle, picture_icon(kIconTickedBox));
  list.addTopLevelItem(sample);
  QHeaderView* header = list.header();
  const QAbstractItemView& view = list;  // where sizeHintForColumn is public
  int sum = 0;
  for (int column = 0; column < static_cast<int>(std::size(kSamples)); ++column) {
    const int width = std::max(view.sizeHintForColumn(column), header->sectionSizeHint(column));
    header->resizeSection(column, width);
    sum += width;
  }
  delete list.takeTopLevelItem(list.indexOfTopLevelItem(sample));
  header->setSectionResizeMode(file_list::kTitle, QHeaderView::Stretch);
  const int scroll_bar = list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list.verticalScrollBar());
  list.setProperty(kFittedWidth, sum + 2 * list.frameWidth() + scroll_bar);
}

int fitted_width(const QTreeWidget& list) { return list.property(kFittedWidth).toInt(); }

}  // namespace app::file_list_columns

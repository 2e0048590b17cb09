// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/pictures.h"

#include <QString>

// The resources live in this static library; a reference from here keeps the
// linker from dropping them.
static void init_picture_resources() { Q_INIT_RESOURCE(pictures); }

namespace app {

QPixmap picture(int resource_id) {
  static const bool once = (init_picture_resources(), true);
  (void)once;
  return QPixmap(QStringLiteral(":/pictures/%1").arg(resource_id));
}

QIcon picture_icon(int resource_id) { return QIcon(picture(resource_id)); }

}  // namespace app

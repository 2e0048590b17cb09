// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's pictures by resource id (ids.h): bitmap 154 (film strip),
// icons 130 (empty box), 131 (green tick in a box), 132 (green square).

#include <QIcon>
#include <QPixmap>

namespace app {

// The picture, or a null pixmap for an unknown id.
QPixmap picture(int resource_id);
QIcon picture_icon(int resource_id);

}  // namespace app

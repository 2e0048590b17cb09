// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/notification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace app {

bool notify_desktop(const std::string& body) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  QDBusMessage call =
      QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                     QStringLiteral("/org/freedesktop/Notifications"),
                                     QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout
  call << QStringLiteral("Clipmill") << 0u << QStringLiteral("clipmill") << QStringLiteral("Clipmill")
       << QString::fromStdString(body) << QStringList() << QVariantMap() << -1;
  // Fire and forget: the window never waits for the desktop.
  return bus.send(call);
}

}  // namespace app

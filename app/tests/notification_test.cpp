// SPDX-License-Identifier: GPL-3.0-or-later
// The finished-batch notification on a private session bus of the test's
// own, answered by a stand-in notification service; and silence without a
// bus.
#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/notification.h"
#include "app/tests/app_test_env.h"
#include "testsupport/media.h"

namespace {

class StandInNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  QString body;
  QString app;

 public slots:
  uint Notify(const QString& app_name, uint, const QString&, const QString&, const QString& text, const QStringList&,
              const QVariantMap&, int) {
    app = app_name;
    body = text;
    return 1;
  }
};

TEST(Notification, ReachesTheSessionBusService) {
  std::string out;
  if (testsupport::run("dbus-daemon --session --fork --print-address=1 --print-pid=1", &out) != 0)
    GTEST_SKIP() << "no dbus-daemon";
  const std::string address = out.substr(0, out.find('\n'));
  const std::string pid = out.substr(out.find('\n') + 1);
  ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);

  QDBusConnection service = QDBusConnection::connectToBus(QString::fromStdString(address), QStringLiteral("service"));
  ASSERT_TRUE(service.isConnected());
  StandInNotifications notifications;
  ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));
  ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications,
                                     QDBusConnection::ExportAllSlots));

  EXPECT_TRUE(app::notify_desktop("12 converted, 1 failed"));
  EXPECT_TRUE(apptest::pump_until([&] { return !notifications.body.isEmpty(); }, 10000));
  EXPECT_EQ(notifications.body, QStringLiteral("12 converted, 1 failed"));
  EXPECT_EQ(notifications.app, QStringLiteral("Clipmill"));
  testsupport::run("kill " + pid);
}

TEST(Notification, SilentWithoutASessionBus) {
  ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
  EXPECT_FALSE(app::notify_desktop("3 converted"));
}

}  // namespace

#include "notification_test.moc"

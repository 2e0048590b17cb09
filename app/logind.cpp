// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/logind.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

namespace app::logind {
namespace {

QDBusMessage manager_call(const QString& method) {
  return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                        QStringLiteral("/org/freedesktop/login1"),
                                        QStringLiteral("org.freedesktop.login1.Manager"), method);
}

// Sends `call` and hands its reply (or error) to `done` on the UI thread,
// unless `context` has gone by then. False, with nothing sent, without a
// system bus.
bool call_later(const QDBusMessage& call, QObject* context, std::function<void(const QDBusMessage&)> done) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return false;
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), context);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [watcher, done = std::move(done)] {
    done(watcher->reply());
    watcher->deleteLater();
  });
  return true;
}

bool is_reply(const QDBusMessage& message) {
  return message.type() == QDBusMessage::ReplyMessage && !message.arguments().isEmpty();
}

}  // namespace

void ask_can(const QString& method, QObject* context, std::function<void(bool)> answer) {
  const bool asked = call_later(manager_call(method), context, [answer](const QDBusMessage& reply) {
    const QString word = is_reply(reply) ? reply.arguments().constFirst().toString() : QString();
    answer(word == QStringLiteral("yes") || word == QStringLiteral("challenge"));
  });
  if (!asked) answer(false);
}

bool request(const QString& method) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return false;
  QDBusMessage call = manager_call(method);
  call << true;  // interactive: logind may ask for a password
  return bus.send(call);
}

void SleepBlock::take(const QString& why) {
  const unsigned ask = ++asked_;
  QDBusMessage call = manager_call(QStringLiteral("Inhibit"));
  call << QStringLiteral("sleep:idle") << QStringLiteral("Clipmill") << why << QStringLiteral("block");
  call_later(call, context_, [this, ask](const QDBusMessage& reply) {
    if (ask != asked_ || !is_reply(reply)) return;
    lock_ = reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
  });
}

void SleepBlock::release() {
  ++asked_;
  lock_ = QDBusUnixFileDescriptor();
}

}  // namespace app::logind

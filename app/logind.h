// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The machine's power through logind (org.freedesktop.login1 on the system
// bus): whether it may suspend or power off, asking it to, and a lock that
// keeps it from sleeping while held. Nothing here waits for logind: its
// answers arrive through the UI thread's event loop. Without a system bus or
// logind every answer is "no" and the lock is simply not held.

#include <QDBusUnixFileDescriptor>
#include <QString>

#include <functional>

class QObject;

namespace app::logind {

// Asks logind's "CanSuspend" or "CanPowerOff". `answer` gets true for "yes"
// or "challenge" (allowed, perhaps after a password), false for anything
// else; it runs on the UI thread, at once when there is no system bus, and
// never once `context` is gone.
void ask_can(const QString& method, QObject* context, std::function<void(bool)> answer);

// Calls "Suspend" or "PowerOff", letting logind ask for a password if it
// must; does not wait for the answer. False when there is no system bus.
bool request(const QString& method);

// A "sleep:idle" block lock taken in Clipmill's name: logind keeps the
// machine awake while the lock's file descriptor stays open.
class SleepBlock {
 public:
  // `context` outlives this object; the lock's answer arrives through it.
  explicit SleepBlock(QObject* context) : context_(context) {}
  // Asks for the lock; it is held once logind answers, unless released first.
  void take(const QString& why);
  // Closes the lock (and drops an answer still to come).
  void release();
  bool held() const { return lock_.isValid(); }

 private:
  QObject* context_;
  QDBusUnixFileDescriptor lock_;
  unsigned asked_ = 0;  // counts takes and releases: an answer to an earlier take is dropped
};

}  // namespace app::logind

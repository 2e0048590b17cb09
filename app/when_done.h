// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "When done" (control 1037): what the window does once a batch has run
// through without a Cancel: nothing, quit, suspend or power off. Quitting,
// suspending and powering off come after a notice that counts down (30 s)
// and whose Cancel stops it; nothing else waits for a click. Suspend and
// power off go through logind, and are greyed where logind refuses them or
// cannot be reached. While a batch runs the window holds logind's sleep
// lock, so the machine does not sleep mid-batch. UI thread only.

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>

#include "app/logind.h"

class QComboBox;

namespace app {

class MainWindow;

class WhenDone : public QObject {
 public:
  // The stored values of the choice ("general"/"whendone").
  enum Choice : int { kNothing = 0, kQuit = 1, kSuspend = 2, kPowerOff = 3 };

  // Fills the list and asks logind which entries it allows.
  explicit WhenDone(MainWindow& window);
  ~WhenDone() override;

  int choice() const;
  // Selects `choice`; one out of range or greyed leaves the list as it is.
  void choose(int choice);
  // A batch with rows to convert begins: the sleep lock is asked for, and a
  // notice from an earlier batch is withdrawn.
  void batch_started();
  // The batch has ended: the sleep lock goes; after a batch that ran
  // through the notice of the chosen action starts counting down.
  void batch_ended(bool ran_through);
  // The notice while it counts down, else null.
  QMessageBox* notice() const { return notice_; }
  // How long the notice counts down (tests shorten it).
  void set_notice_time(std::chrono::milliseconds time) { notice_time_ = time; }

 private:
  void set_usable(int choice, bool usable);
  void show_notice(int action);
  void update_notice();
  void withdraw_notice();
  void act(int action);

  MainWindow& window_;
  QComboBox* list_;
  logind::SleepBlock sleep_block_;
  QPointer<QMessageBox> notice_;
  QTimer ticks_;                  // updates the notice's count, then acts
  std::chrono::steady_clock::time_point due_;
  int pending_ = kNothing;        // the action the notice announces
  std::chrono::milliseconds notice_time_{30000};
};

}  // namespace app

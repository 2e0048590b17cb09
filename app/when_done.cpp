// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/when_done.h"

#include <QComboBox>
#include <QMessageBox>
#include <QStandardItemModel>

#include <algorithm>

#include "app/commands.h"
#include "app/ids.h"
#include "app/list_store.h"
#include "app/main_window.h"

namespace app {
namespace {

constexpr const char* kEntries[] = {"Do nothing", "Quit", "Suspend", "Power off"};

// "... in 30 s": what the notice says for each action.
QString notice_text(int action, int seconds) {
  const QString what = action == WhenDone::kQuit      ? QStringLiteral("Clipmill quits")
                       : action == WhenDone::kSuspend ? QStringLiteral("The computer suspends")
                                                      : QStringLiteral("The computer powers off");
  return QStringLiteral("The batch is done. %1 in %2 s.").arg(what).arg(seconds);
}

}  // namespace

WhenDone::WhenDone(MainWindow& window)
    : window_(window), list_(window.control_as<QComboBox>(kIdWhenDoneList)), sleep_block_(this) {
  for (const char* entry : kEntries) list_->addItem(QString::fromUtf8(entry));
  list_->setCurrentIndex(kNothing);
  logind::ask_can(QStringLiteral("CanSuspend"), this, [this](bool can) { set_usable(kSuspend, can); });
  logind::ask_can(QStringLiteral("CanPowerOff"), this, [this](bool can) { set_usable(kPowerOff, can); });
  ticks_.setInterval(250);
  connect(&ticks_, &QTimer::timeout, this, &WhenDone::update_notice);
}

WhenDone::~WhenDone() { withdraw_notice(); }

int WhenDone::choice() const { return std::max(0, list_->currentIndex()); }

void WhenDone::choose(int choice) {
  const auto* model = qobject_cast<const QStandardItemModel*>(list_->model());
  if (choice < 0 || choice >= list_->count() || (model && !model->item(choice)->isEnabled())) return;
  list_->setCurrentIndex(choice);
}

// An entry logind refuses is greyed; if it was chosen, nothing is.
void WhenDone::set_usable(int choice, bool usable) {
  if (auto* model = qobject_cast<QStandardItemModel*>(list_->model())) model->item(choice)->setEnabled(usable);
  if (!usable && list_->currentIndex() == choice) list_->setCurrentIndex(kNothing);
}

void WhenDone::batch_started() {
  withdraw_notice();
  sleep_block_.take(QStringLiteral("Converting videos"));
}

void WhenDone::batch_ended(bool ran_through) {
  sleep_block_.release();
  if (ran_through && choice() != kNothing) show_notice(choice());
}

// Non-modal: the window stays usable, and the action comes whether or not
// anyone is there to click.
void WhenDone::show_notice(int action) {
  withdraw_notice();
  pending_ = action;
  due_ = std::chrono::steady_clock::now() + notice_time_;
  notice_ = new QMessageBox(QMessageBox::Information, QStringLiteral("Clipmill"), QString(), QMessageBox::Cancel,
                            &window_);
  notice_->setObjectName(QStringLiteral("whenDoneNotice"));
  notice_->setWindowModality(Qt::NonModal);
  // Cancel, Escape or closing the notice: nothing happens.
  connect(notice_.data(), &QDialog::finished, this, &WhenDone::withdraw_notice);
  update_notice();
  notice_->show();
  ticks_.start();
}

void WhenDone::update_notice() {
  if (!notice_) return;
  const auto left = std::chrono::ceil<std::chrono::seconds>(due_ - std::chrono::steady_clock::now());
  if (left.count() <= 0) {
    const int action = pending_;
    withdraw_notice();
    act(action);
    return;
  }
  notice_->setText(notice_text(pending_, static_cast<int>(left.count())));
}

void WhenDone::withdraw_notice() {
  ticks_.stop();
  pending_ = kNothing;
  if (!notice_) return;
  QMessageBox* notice = notice_;
  notice_ = nullptr;
  notice->disconnect(this);
  notice->hide();
  notice->deleteLater();
}

void WhenDone::act(int action) {
  switch (action) {
    case kQuit:
      window_.close();
      return;
    case kSuspend:
      logind::request(QStringLiteral("Suspend"));
      return;
    case kPowerOff:
      // The session ends with the machine: what a close would save is saved now.
      save_choices(window_);
      list_store::write_list(window_);
      logind::request(QStringLiteral("PowerOff"));
      return;
    default:
      return;
  }
}

}  // namespace app

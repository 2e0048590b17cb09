// SPDX-License-Identifier: GPL-3.0-or-later
// "When done" and the sleep lock against a stand-in logind on a private bus
// of the test's own, reached as the system bus.
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QLineEdit>
#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/file_list.h"
#include "app/ids.h"
#include "app/main_window.h"
#include "app/settings_file.h"
#include "app/tests/app_test_env.h"
#include "app/when_done.h"
#include "app/window_work.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;
using app::MainWindow;
using app::WhenDone;
using namespace std::chrono_literals;

class StandInLogind : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

 public:
  QString can_power_off = QStringLiteral("yes");
  QStringList inhibited;  // the arguments of the last Inhibit
  int suspends = 0;
  bool interactive = false;

  ~StandInLogind() override {
    if (lock_end_ >= 0) ::close(lock_end_);
  }
  // Whether someone still holds the lock handed out: its pipe's write end
  // is open somewhere.
  bool lock_held() const {
    pollfd ends{lock_end_, POLLIN, 0};
    return lock_end_ >= 0 && ::poll(&ends, 1, 0) == 0;
  }

 public slots:
  QString CanSuspend() { return QStringLiteral("yes"); }
  QString CanPowerOff() { return can_power_off; }
  void Suspend(bool asks) {
    ++suspends;
    interactive = asks;
  }
  QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode) {
    inhibited = {what, who, why, mode};
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return {};
    if (lock_end_ >= 0) ::close(lock_end_);
    lock_end_ = ends[0];
    QDBusUnixFileDescriptor lock(ends[1]);  // holds a copy of its own
    ::close(ends[1]);
    return lock;
  }

 private:
  int lock_end_ = -1;
};

class WhenDoneTest : public ::testing::Test {
 protected:
  fs::path dir;
  std::string daemon_pid;
  StandInLogind logind;
  std::unique_ptr<MainWindow> window;
  std::atomic<bool> go{true};  // false: the batch's preview pictures wait

  void SetUp() override {
    apptest::fresh_config_home();
    std::string out;
    if (testsupport::run("dbus-daemon --session --fork --print-address=1 --print-pid=1", &out) != 0)
      GTEST_SKIP() << "no dbus-daemon";
    const std::string address = out.substr(0, out.find('\n'));
    daemon_pid = out.substr(out.find('\n') + 1);
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
    QDBusConnection service = QDBusConnection::connectToBus(QString::fromStdString(address), QStringLiteral("logind"));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.login1")));
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/login1"), &logind,
                                       QDBusConnection::ExportAllSlots));
    dir = testsupport::temp_dir("when_done");
    fs::create_directories(dir / "out");
  }
  void TearDown() override {
    go = true;
    window.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("logind"));
    if (!daemon_pid.empty()) testsupport::run("kill " + daemon_pid);
    fs::remove_all(dir);
  }
  // A window with one short clip listed, saving into the test's folder.
  void open_window() {
    window = std::make_unique<MainWindow>();
    window->control_as<QRadioButton>(app::kIdSaveHere)->click();
    window->control_as<QLineEdit>(app::kIdOutputFolder)->setText(QString::fromStdString((dir / "out").string()));
    fs::copy_file(testsupport::mpeg2_ps_clip(1.0), dir / "clip.mpg");
    app::file_list::add_input_file(*window, (dir / "clip.mpg").string());
    auto* presets = window->control_as<QComboBox>(app::kIdPresetList);
    presets->setCurrentIndex(10);  // "iPod format": MP4 320x240
    emit presets->activated(10);
  }
  bool entry_enabled(int choice) {
    auto* model = qobject_cast<QStandardItemModel*>(window->control_as<QComboBox>(app::kIdWhenDoneList)->model());
    return model->item(choice)->isEnabled();
  }
  void convert_and_wait() {
    window->dispatch_command(app::kIdConvert);
    ASSERT_TRUE(apptest::pump_until([&] { return !window->work().batch_running(); }, 120000));
  }
};

// The machine does not sleep mid-batch: the lock is asked for as the batch
// starts, held while it runs and closed once it ends.
TEST_F(WhenDoneTest, TheSleepLockIsHeldWhileTheBatchRuns) {
  open_window();
  window->work().batch().set_preview(true);
  go = false;
  window->job_display().show_preview_picture = [this](const AVFrame*, const AVCodecContext*) {
    while (!go) std::this_thread::sleep_for(5ms);
  };
  window->dispatch_command(app::kIdConvert);
  ASSERT_TRUE(apptest::pump_until([&] { return !logind.inhibited.isEmpty(); }));
  EXPECT_EQ(logind.inhibited, (QStringList{"sleep:idle", "Clipmill", "Converting videos", "block"}));
  apptest::pump_for(300);
  EXPECT_TRUE(window->work().batch_running());
  EXPECT_TRUE(logind.lock_held());
  go = true;
  ASSERT_TRUE(apptest::pump_until([&] { return !window->work().batch_running(); }, 120000));
  EXPECT_TRUE(apptest::pump_until([&] { return !logind.lock_held(); }));
}

// "Suspend": a batch that ran through brings a notice that counts down,
// without holding up the window, then logind suspends; Cancel on the notice
// stops it.
class WhenDoneNotice : public WhenDoneTest, public ::testing::WithParamInterface<bool> {};

TEST_P(WhenDoneNotice, SuspendsAfterTheNoticeUnlessCancelled) {
  const bool cancel = GetParam();
  open_window();
  window->when_done().choose(WhenDone::kSuspend);
  window->when_done().set_notice_time(cancel ? 1500ms : 400ms);
  convert_and_wait();
  ASSERT_EQ(app::file_list::row_text(*window, 0, app::file_list::kDone), "100 %");
  QMessageBox* notice = window->when_done().notice();
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(notice->isVisible());
  EXPECT_FALSE(notice->isModal());
  EXPECT_TRUE(notice->text().contains(QStringLiteral("suspends in"))) << notice->text().toStdString();
  EXPECT_EQ(logind.suspends, 0);
  if (cancel) {
    notice->button(QMessageBox::Cancel)->click();
    apptest::pump_for(2500);  // past the notice's time
  } else {
    EXPECT_TRUE(apptest::pump_until([&] { return logind.suspends > 0; }));
    EXPECT_TRUE(logind.interactive);
  }
  EXPECT_EQ(logind.suspends, cancel ? 0 : 1);
  EXPECT_EQ(window->when_done().notice(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Notice, WhenDoneNotice, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Cancelled" : "Waited"; });

// Where logind says a machine cannot power off, that entry is greyed and a
// stored "Power off" falls back to doing nothing.
TEST_F(WhenDoneTest, PowerOffIsGreyedWhereLogindRefusesIt) {
  logind.can_power_off = QStringLiteral("no");
  app::write_setting("general", "whendone", "3");
  window = std::make_unique<MainWindow>();
  ASSERT_TRUE(apptest::pump_until([&] { return !entry_enabled(WhenDone::kPowerOff); }));
  EXPECT_TRUE(entry_enabled(WhenDone::kSuspend));
  EXPECT_EQ(window->when_done().choice(), WhenDone::kNothing);
}

}  // namespace

#include "when_done_test.moc"

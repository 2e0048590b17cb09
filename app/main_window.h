// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's one window: resizable (the input list takes the extra room),
// every control known by its id, a menu bar and a three-part status bar. It
// runs the opening steps when created and dispatches every command; the work
// of each command lives with its module (commands.h).

#include <QMainWindow>
#include <QRect>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "batch/batch_window.h"

class QAction;
class QLabel;

namespace app {

class WhenDone;
class WindowWork;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  // The control with a numeric id of ids.h, or null.
  QWidget* control(int id) const;
  template <class T>
  T* control_as(int id) const {
    return qobject_cast<T*>(control(id));
  }
  // The menu item of a command id, or null.
  QAction* action(int command_id) const;
  // Status bar section 0, 1 or 2, or null.
  QLabel* status_part(int index) const;

  // Busy/idle switch; callable from any thread (hops to the UI thread).
  // Each busy has its idle: while the batch or the adding of files still
  // holds the window busy, the other's idle leaves it busy.
  void set_busy(bool busy);
  // The idle half of set_busy as a call for the UI thread to make once a
  // task on another thread has ended; nothing once the window is gone.
  std::function<void()> idle_switch();
  // The work on other threads: the batch and the adding of files (UI thread).
  WindowWork& work() { return *work_; }
  // How the jobs' preview pictures reach this window; set
  // while the window opens, read by the threads that add and convert.
  batch::JobDisplay& job_display() { return job_display_; }
  // Carries out a command as if the user gave it (UI thread).
  void dispatch_command(int id);
  // What happens once a batch has run through, and the sleep block held
  // while one runs (UI thread).
  WhenDone& when_done() { return *when_done_; }

 signals:
  // The window was closed (its choices are saved by then); the program ends.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Enter gives the default button's command (Convert!) unless a focused
  // push button takes it, as in a dialog.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void build_controls();
  void build_menus();
  void build_status_bar();
  void place_status_bar();
  // Places every control for the client area's current size.
  void lay_out_controls();
  // Opens at the designed size, wider if the list's columns need it.
  void set_default_size();
  void connect_commands();
  void open_steps();
  void set_opening_texts();
  void choose_output_folder();
  void set_busy_here(bool busy);

  // A control with its designed place and how it follows the area's edges.
  struct Placed {
    QWidget* control;
    QRect designed;
    unsigned growth;
  };
  std::map<int, QWidget*> controls_;
  std::vector<Placed> placed_;
  QSize designed_size_;  // the client area's, its smallest
  std::map<int, QAction*> actions_;
  bool saved_ = false;
  int busy_holders_ = 0;             // set_busy(true) calls not yet undone (UI thread)
  bool saved_beside_source_ = false;  // the save mode when the window turned busy (UI thread)
  batch::JobDisplay job_display_;
  std::unique_ptr<WhenDone> when_done_;
  // Declared last: destroyed first, its threads joined while every control
  // still exists.
  std::unique_ptr<WindowWork> work_;
};

}  // namespace app

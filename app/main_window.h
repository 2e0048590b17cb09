// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's one window: fixed size, every control known by its id, a menu
// bar and a three-part status bar. It runs the opening steps when created and
// dispatches every command; the work of each command lives with its module
// (commands.h).

#include <QMainWindow>

#include <atomic>
#include <map>

class QAction;
class QLabel;

namespace app {

// Flags the window shares with its worker threads.
struct ShellFlags {
  // No further file is to be added from the open-file dialog (Cancel sets,
  // "Add MTS/M2TS file" clears; the open-file thread polls it).
  std::atomic<bool> add_stop_requested{false};
  // Save mode at the moment the window turned busy (set_busy).
  std::atomic<bool> saved_beside_source{false};
};
ShellFlags& shell_flags();

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
  // Status bar (control 1) section 0, 1 or 2, or null.
  QLabel* status_part(int index) const;

  // Busy/idle switch; callable from any thread (hops to the UI thread).
  void set_busy(bool busy);
  // Carries out a command as if the user gave it (UI thread).
  void dispatch_command(int id);

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
  void connect_commands();
  void open_steps();
  void set_opening_texts();
  void choose_output_folder();
  void set_busy_here(bool busy);

  std::map<int, QWidget*> controls_;
  std::map<int, QAction*> actions_;
  bool saved_ = false;
};

}  // namespace app

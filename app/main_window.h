#pragma once
// The program's one window: fixed size, every control known by its id, a menu
// bar and a three-part status bar. It runs the opening steps when created and
// dispatches every command; the work of each command lives with its module
// (commands.h).

#include <QMainWindow>

#include <atomic>
#include <map>

class QAction;

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

  // Busy/idle switch; callable from any thread (hops to the UI thread).
  void set_busy(bool busy);
  // Carries out a command as if the user gave it (UI thread).
  void dispatch_command(int id);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build_controls();
  void build_menus();
  void build_status_bar();
  void open_steps();
  void set_busy_here(bool busy);

  std::map<int, QWidget*> controls_;
  std::map<int, QAction*> actions_;
  bool saved_ = false;
};

}  // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
// Program entry: skin, settings path, then the main window until it closes.

#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/file_list.h"
#include "app/main_window.h"
#include "app/preview_embed.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "app/stop_signals.h"
#include "app/window_work.h"
#include "batch/memory_policy.h"
#include "engine/signals.h"

int main(int argc, char** argv) {
  batch::set_memory_policy();
  engine::set_up_process(false);
  // The preview draws into an X11 window: use X when the session has it.
  app::prefer_x11_platform();
  QApplication application(argc, argv);
  // The window's icon: the installed theme's, else the one built in.
  Q_INIT_RESOURCE(window_icon);
  QApplication::setWindowIcon(
      QIcon::fromTheme(QStringLiteral("clipmill"), QIcon(QStringLiteral(":/window_icon/clipmill.svg"))));
  // The skin must be in place before any window exists.
  app::apply_skin();
  app::build_settings_path();
  // Files and folders named on the command line ("Open with" in a file
  // manager) join the list as dropped ones do, in the window already
  // running if there is one.
  const QStringList arguments = QApplication::arguments();
  std::vector<std::string> paths;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    std::error_code error;
    const std::filesystem::path path(QFile::encodeName(arguments[i]).toStdString());
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    paths.push_back(error ? path.string() : absolute.string());
  }
  const std::string socket = app::single_instance::socket_path();
  const app::single_instance::Claim claim = app::single_instance::claim_or_hand(socket, paths);
  if (claim.handed) return 0;
  app::MainWindow window;
  QObject::connect(&window, &app::MainWindow::closed, &application, &QCoreApplication::quit);
  app::close_on_stop_signals(window);
  if (claim.listen_fd >= 0) app::single_instance::serve(window, claim.listen_fd);
  window.show();
  app::add_paths(window, paths);
  const int code = QApplication::exec();
  // The next start need not find and remove a stale socket.
  if (claim.listen_fd >= 0) ::unlink(socket.c_str());
  // A conversion still running ends its current file properly first (for
  // at most 30 s); then the program ends without tearing anything down
  // under a thread that might still run.
  window.work().finish(30000);
  std::fflush(nullptr);
  std::_Exit(code);
}

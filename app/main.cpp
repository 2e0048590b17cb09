// SPDX-License-Identifier: GPL-3.0-or-later
// Program entry: skin, settings path, then the main window until it closes.

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/file_list.h"
#include "app/main_window.h"
#include "app/preview_embed.h"
#include "app/startup.h"
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
  app::MainWindow window;
  QObject::connect(&window, &app::MainWindow::closed, &application, &QCoreApplication::quit);
  window.show();
  // Files and folders named on the command line ("Open with" in a file
  // manager) join the list as dropped ones do.
  const QStringList arguments = QApplication::arguments();
  std::vector<std::string> paths;
  for (qsizetype i = 1; i < arguments.size(); ++i) paths.push_back(QFile::encodeName(arguments[i]).toStdString());
  app::add_paths(window, paths);
  const int code = QApplication::exec();
  // A conversion still running ends its current file properly first (for
  // at most 30 s); then the program ends without tearing anything down
  // under a thread that might still run.
  window.work().finish(30000);
  std::fflush(nullptr);
  std::_Exit(code);
}

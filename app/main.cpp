// Program entry: skin, settings path, then the main window until it closes.

#include <QApplication>

#include <cstdio>
#include <cstdlib>

#include "app/main_window.h"
#include "app/startup.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The skin must be in place before any window exists.
  app::apply_skin();
  app::build_settings_path();
  app::MainWindow window;
  QObject::connect(&window, &app::MainWindow::closed, &application, &QCoreApplication::quit);
  window.show();
  const int code = QApplication::exec();
  // Worker threads may still run and use the window and the engine; the
  // program ends without waiting for them and without tearing anything down
  // under them.
  std::fflush(nullptr);
  std::_Exit(code);
}

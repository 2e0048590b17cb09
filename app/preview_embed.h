// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The preview surface inside the window's preview area (control 1000).

namespace app {

class MainWindow;

// Makes Qt use X11 when the session offers it (XWayland included): the
// preview can only embed into an X11 window. Leaves a platform the user chose
// with QT_QPA_PLATFORM alone. Call before the QApplication is created.
void prefer_x11_platform();

// Creates the surface inside control 1000 and makes it the window's job
// display for pictures. Returns -1, silently, when there is no X11 window to draw in
// (offscreen or Wayland platform) or SDL cannot start; 0 otherwise.
int embed_preview(MainWindow& window);

}  // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
// The preview area's native child window, drawn by SDL rather than by Qt.

#include "app/preview_embed.h"

#include <QGuiApplication>
#include <QPaintEngine>
#include <QWidget>

#include <cstdlib>

#include "app/commands.h"
#include "app/ids.h"
#include "app/main_window.h"
#include "preview/preview.h"

namespace app {
namespace {

// A native window Qt never paints into; when it is uncovered the surface's
// last content is put back.
class PreviewSurfaceWidget : public QWidget {
 public:
  explicit PreviewSurfaceWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setObjectName(QStringLiteral("preview-surface"));
  }
  QPaintEngine* paintEngine() const override { return nullptr; }

 protected:
  void paintEvent(QPaintEvent*) override { preview::refresh_preview(); }
};

}  // namespace

void prefer_x11_platform() {
  const char* display = std::getenv("DISPLAY");
  if (std::getenv("QT_QPA_PLATFORM") || !display || !*display) return;
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
}

int embed_preview(MainWindow& window) {
  QWidget* area = window.control(kIdPreviewArea);
  if (!area || QGuiApplication::platformName() != QStringLiteral("xcb")) return -1;
  auto* surface = new PreviewSurfaceWidget(area);
  surface->setGeometry(area->contentsRect());
  const WId native = surface->winId();
  if (preview::create_preview_window(native, surface->width(), surface->height()) != 0) {
    delete surface;
    return -1;
  }
  window.job_display().show_preview_picture = preview::show_preview_picture;
  window.job_display().clear_preview = preview::clear_preview;
  return 0;
}

void create_preview(MainWindow& window) { embed_preview(window); }

}  // namespace app

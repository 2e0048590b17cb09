// SPDX-License-Identifier: GPL-3.0-or-later
// The About box (dialog 103). It has no owner and runs its own event loop
// without blocking other windows, so the main window stays usable behind it.

#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/commands.h"
#include "app/dialog_units.h"
#include "app/first_launch.h"
#include "app/ids.h"

namespace app {
namespace {

struct AboutText {
  int x, y, w, h;  // dialog units
  QString text;
};

}  // namespace

void show_about() {
  QDialog dialog;
  dialog.setObjectName(QString::number(kDialogAbout));
  dialog.setWindowTitle(QStringLiteral("About Clipmill"));
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(8);
  dialog.setFont(font);
  const DialogUnits units = dialog_units(font);

  const AboutText texts[] = {
      // A blank, then a no-break space, before the version.
      {7, 12, 92, 8, QStringLiteral("Clipmill ") + QChar(0x00A0) + QStringLiteral("V1.6")},
      {99, 12, 91, 8, QString::fromLatin1(kSiteAddress)},
      {6, 26, 243, 8, QStringLiteral("Clipmill is free software under the GPL-3.0-or-later")},
      {6, 36, 243, 8, QStringLiteral("It uses the FFmpeg libraries, a GPL-2.0-or-later build")},
  };
  for (const AboutText& t : texts) {
    auto* label = new QLabel(t.text, &dialog);
    label->setGeometry(units.rect(t.x, t.y, t.w, t.h));
  }
  auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
  ok->setObjectName(QString::number(kIdOk));
  ok->setGeometry(units.rect(88, 52, 73, 17));
  ok->setDefault(true);
  ok->setFocus();
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);

  dialog.setFixedSize(units.x(250), units.y(73));
  if (QScreen* screen = dialog.screen())
    dialog.move(screen->availableGeometry().center() - dialog.rect().center());

  // Escape and the close box reject, OK and Enter accept; either ends the box.
  QEventLoop loop;
  QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
  dialog.setWindowModality(Qt::NonModal);
  dialog.show();
  loop.exec();
}

}  // namespace app

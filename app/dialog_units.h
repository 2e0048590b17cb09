// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Positions given in dialog units, as dialog templates give them, turned into
// pixels for a font: base units from the font's average character width and
// its height; x pixels = x * cx / 4, y pixels = y * cy / 8.

#include <QFont>
#include <QRect>

namespace app {

struct DialogUnits {
  int cx = 0;  // average character width in pixels
  int cy = 0;  // character height in pixels
  int x(int units) const;
  int y(int units) const;
  QRect rect(int left, int top, int width, int height) const;
};

// The platform's default UI font at `points` points (the dialogs' font).
QFont dialog_font(int points = 8);
DialogUnits dialog_units(const QFont& font);

}  // namespace app

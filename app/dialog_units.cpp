// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/dialog_units.h"

#include <QApplication>
#include <QFontMetrics>

#include <cmath>

namespace app {
namespace {

// a * b / c rounded to nearest, as dialog-unit mapping does.
int mul_div(int a, int b, int c) {
  return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

}  // namespace

int DialogUnits::x(int units) const { return mul_div(units, cx, 4); }
int DialogUnits::y(int units) const { return mul_div(units, cy, 8); }

QRect DialogUnits::rect(int left, int top, int width, int height) const {
  return QRect(x(left), y(top), x(width), y(height));
}

QFont dialog_font(int points) {
  QFont font = QApplication::font();
  font.setPointSize(points);
  return font;
}

DialogUnits dialog_units(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  DialogUnits units;
  units.cx = std::max(1, static_cast<int>(std::lround(width / 52.0)));
  units.cy = std::max(1, metrics.height());
  return units;
}

}  // namespace app

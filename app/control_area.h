// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's client area. Every control keeps its designed place in
// dialog units; when the area grows beyond its designed size, each control
// moves and stretches with the edges as its growth flags say (the input list
// takes the extra room, what lies right of or below it follows those edges).

#include <QWidget>

#include <functional>

namespace app {

enum Growth : unsigned {
  kStays = 0,
  kFollowsRight = 1u << 0,   // moves right by the extra width
  kFollowsBottom = 1u << 1,  // moves down by the extra height
  kWidens = 1u << 2,         // gains the extra width
  kHeightens = 1u << 3,      // gains the extra height
};

class ControlArea : public QWidget {
 public:
  // `resized` places the controls for the area's new size.
  ControlArea(QWidget* parent, std::function<void()> resized) : QWidget(parent), resized_(std::move(resized)) {}
  // The size the window opens at; the designed size is the minimum.
  void set_default_size(QSize size) {
    default_size_ = size;
    updateGeometry();
  }
  QSize sizeHint() const override { return default_size_; }

 protected:
  void resizeEvent(QResizeEvent*) override {
    if (resized_) resized_();
  }

 private:
  std::function<void()> resized_;
  QSize default_size_;
};

}  // namespace app

// The main window's menu bar: every item with its command id, separators in
// place.

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <array>
#include <initializer_list>

#include "app/ids.h"
#include "app/main_window.h"

namespace app {
namespace {

struct MenuItem {
  int id;  // 0: a separator
  const char* text;
};

struct MenuSpec {
  const char* title;
  std::initializer_list<MenuItem> items;
};

const std::array<MenuSpec, 4>& menus() {
  static const std::array<MenuSpec, 4> table{{
      {"&File",
       {{kCmdAddFiles, "Add MTS/M2TS file"}, {kCmdClearList, "Clear List"}, {0, nullptr}, {kCmdQuit, "&Quit"}}},
      {"Selection", {{kCmdSelectAll, "Select All"}, {kCmdUnselectAll, "Unselect All"}}},
      {"Presets",
       {{kCmdPresetMpeg2Hd, "MPEG2 HD"},
        {kCmdPresetWmvHd, "WMV HD"},
        {0, nullptr},
        {kCmdPresetDvdPal, "DVD PAL"},
        {kCmdPresetDvdNtsc, "DVD NTSC"},
        {0, nullptr},
        {kCmdPresetFlvLow, "FLV - Low Quality"},
        {kCmdPresetFlvMedium, "FLV - Medium Quality"},
        {kCmdPresetFlvHigh, "FLV - High Quality"},
        {0, nullptr},
        {kCmdPresetIpod, "iPod Format"},
        {kCmdPresetIphone, "iPhone Format"},
        {0, nullptr},
        {kCmdPreset3gp, "3gp Format"},
        {0, nullptr},
        {kCmdPresetAviLow, "Avi - Low Quality"},
        {kCmdPresetAviMedium, "Avi - Medium Quality"},
        {kCmdPresetAviHigh, "Avi - High Quality"}}},
      {"&Information", {{kCmdAbout, "&About"}}},
  }};
  return table;
}

}  // namespace

void MainWindow::build_menus() {
  QMenuBar* bar = menuBar();
  for (const MenuSpec& spec : menus()) {
    QMenu* menu = bar->addMenu(QString::fromUtf8(spec.title));
    for (const MenuItem& item : spec.items) {
      if (item.id == 0) {
        menu->addSeparator();
        continue;
      }
      QAction* action = menu->addAction(QString::fromUtf8(item.text));
      action->setObjectName(QString::number(item.id));
      // Command ids go through dispatch_command, like the buttons'.
      action->setData(item.id);
      actions_[item.id] = action;
    }
  }
}

}  // namespace app

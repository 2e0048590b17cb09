// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's menu bar: every item with its command id, separators in
// place.

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <array>
#include <initializer_list>

#include "app/ids.h"
#include "app/main_window.h"
#include "presets/option_tables.h"

namespace app {
namespace {

struct MenuItem {
  int id;                       // 0: a separator
  const char* text = nullptr;   // null: a preset's menu caption
  const char* keys = nullptr;   // the item's shortcut, shown in the menu
};

const char* caption_of(const MenuItem& item) {
  if (item.text) return item.text;
  const int position = presets::preset_for_command(item.id);
  return position >= 0 ? presets::preset_table()[position].menu_caption : "";
}

struct MenuSpec {
  const char* title;
  std::initializer_list<MenuItem> items;
};

const std::array<MenuSpec, 4>& menus() {
  static const std::array<MenuSpec, 4> table{{
      {"&File",
       {{kCmdAddFiles, "Add MTS/M2TS file", "Ctrl+O"}, {kCmdAddFolder, "Add folder…", "Ctrl+Shift+O"},
        {kCmdRemoveRows, "Remove", "Del"}, {kCmdRemoveFinished, "Remove finished"}, {kCmdClearList, "Clear List"},
        {0, nullptr}, {kCmdQuit, "&Quit", "Ctrl+Q"}}},
      {"Selection", {{kCmdSelectAll, "Select All"}, {kCmdUnselectAll, "Unselect All"}}},
      // The Presets menu's order and grouping; its captions come from the
      // preset table.
      {"Presets",
       {{kCmdPresetMpeg2Hd}, {kCmdPresetWmvHd}, {0}, {kCmdPresetDvdPal}, {kCmdPresetDvdNtsc}, {0},
        {kCmdPresetFlvLow}, {kCmdPresetFlvMedium}, {kCmdPresetFlvHigh}, {0}, {kCmdPresetIpod},
        {kCmdPresetIphone}, {0}, {kCmdPreset3gp}, {0}, {kCmdPresetAviLow}, {kCmdPresetAviMedium},
        {kCmdPresetAviHigh}, {0}, {kCmdPresetH264_1080p}, {kCmdPresetH264_720p}, {kCmdPresetHevc1080p}, {0},
        {kCmdPresetCopyMp4}, {kCmdPresetCopyMkv}}},
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
      QAction* action = menu->addAction(QString::fromUtf8(caption_of(item)));
      action->setObjectName(QString::number(item.id));
      // Command ids go through dispatch_command, like the buttons'.
      action->setData(item.id);
      if (item.keys) action->setShortcut(QKeySequence(QString::fromLatin1(item.keys)));
      actions_[item.id] = action;
    }
  }
}

}  // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Start-up: the skin stand-in and where the settings file lives.

#include <string>

namespace app {

// Looks for "Skins/skin.msstyles" below the working directory and applies it
// as the application's style sheet when it reads as one. Must run after the
// QApplication exists and before any window is created; nothing depends on
// whether a skin was found.
void apply_skin();

// The per-user folder's parent: $XDG_CONFIG_HOME when it holds an absolute
// path, else ~/.config; empty when neither can be determined.
std::string config_home();

// Settings path for a given config home: the home plus "/Clipmill" (created,
// one level only, when nothing exists there) plus "/Config.ini". A home that
// already ends with "/" gets no second one. An empty home gives an empty
// path, at which reads find nothing and writes do nothing.
std::string settings_path_for(const std::string& home);

// Fills the process-wide settings path from config_home(). Called once at
// start-up; tests call it again after pointing XDG_CONFIG_HOME elsewhere.
void build_settings_path();

// Full path of Config.ini, or empty (see settings_path_for).
const std::string& settings_path();

}  // namespace app

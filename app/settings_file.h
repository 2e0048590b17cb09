// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One value of Config.ini at a time, in the INI format: "[section]" lines
// open sections, "key=value" lines hold values. Section and key names match
// without regard to case; values are read with surrounding blanks removed and
// written as plain text. Every call opens, reads or rewrites the file; nothing
// is cached between calls.

#include <string>
#include <string_view>

namespace app {

// The value of `key` in `section` of the settings file, cut to 259
// characters; empty when the file, the section or the key is missing.
std::string read_setting(std::string_view section, std::string_view key);

// Replaces the key's value in its section, or adds the key (and the section,
// and the file) when missing; every other line is kept as it was. The new
// content goes to a temporary file in the same folder that then replaces the
// old file, so a crash never leaves a half-written file. A failure is ignored.
void write_setting(std::string_view section, std::string_view key, std::string_view value);

// The same on an explicit file (the two above use settings_path()).
std::string read_setting_in(const std::string& file, std::string_view section, std::string_view key);
void write_setting_in(const std::string& file, std::string_view section, std::string_view key,
                      std::string_view value);

// A settings value read as an integer: leading decimal digits after optional
// blanks and sign; 0 without them. Saturates instead of overflowing.
long long setting_as_int(std::string_view value);

}  // namespace app

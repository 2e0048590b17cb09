// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The first-launch step: once per user, the maker's set-up page in the
// desktop's web browser.

#include <functional>
#include <string>

namespace app {

// The maker's web site, also shown in the About box.
inline constexpr const char* kSiteAddress = "http://www.clipmill.example";

// Opens a web address without waiting; its outcome is not looked at.
using UrlOpener = std::function<void(const std::string& address)>;

// Replaces the opener (tests); an empty function restores the desktop's.
void set_url_opener(UrlOpener opener);
// Opens a web address or a file:// URL with the current opener.
void open_address(const std::string& address);

// The first-launch address for a "dealio" word ("True" or "False").
std::string first_launch_address(const std::string& dealio);

}  // namespace app

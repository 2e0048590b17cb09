// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The finished-batch notification: a desktop notification through the
// freedesktop notification service on the session bus.

#include <string>

namespace app {

// Sends "Clipmill" with `body` to the notification service. Returns false,
// and does nothing, when there is no session bus. Does not wait for an
// answer.
bool notify_desktop(const std::string& body);

}  // namespace app

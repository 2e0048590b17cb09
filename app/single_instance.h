// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One window per user: a later start of the program hands its files and
// folders to the running window over a local socket and ends. The socket
// lives at a full path in $XDG_RUNTIME_DIR, else in a private folder of the
// user's (mode 0700). Deciding who is first happens under a lock beside the
// socket, so that of two starts at once exactly one keeps a window.

#include <string>
#include <vector>

namespace app {

class MainWindow;

namespace single_instance {

// Where the running window listens; empty when no safe place exists.
std::string socket_path();

struct Claim {
  bool handed = false;  // a running window took the paths: end now
  int listen_fd = -1;   // else the socket this start now listens on
};
// Hands `paths` (absolute) to a window listening at `socket`; when none
// answers, removes a stale socket and listens there itself. Neither (no
// socket could be made): start as if alone. Any thread.
Claim claim_or_hand(const std::string& socket, const std::vector<std::string>& paths);

// The window takes the paths later starts hand over on `listen_fd`: added as
// if dropped and the window brought to the front; during a batch, added
// once it ends, as the status bar says. UI thread.
void serve(MainWindow& window, int listen_fd);

}  // namespace single_instance
}  // namespace app

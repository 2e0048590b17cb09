// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/stop_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>

#include "app/ids.h"
#include "app/main_window.h"

namespace app {

namespace {

// The handler's end of a pipe whose other end the UI thread watches: a
// handler may only do async-signal-safe things, and writing a byte is one.
int wake_fd = -1;
std::atomic<int> signals_seen{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void on_stop_signal(int number) {
  if (signals_seen.fetch_add(1) > 0) {
    // Asked again while the first is being answered: end as asked.
    ::signal(number, SIG_DFL);
    ::raise(number);
    return;
  }
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(wake_fd, &byte, 1);
  errno = saved;
}

}  // namespace

void close_on_stop_signals(MainWindow& window) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  wake_fd = fds[1];
  auto* notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, notifier, read_fd = fds[0]] {
    char bytes[16];
    while (::read(read_fd, bytes, sizeof bytes) > 0) {
    }
    notifier->setEnabled(false);
    window.dispatch_command(kIdCancel);
    window.close();
  });
  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int number : {SIGTERM, SIGHUP, SIGINT}) sigaction(number, &action, nullptr);
}

}  // namespace app

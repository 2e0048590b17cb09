// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/signals.h"

#include <csignal>

extern "C" {
#include <libavutil/log.h>
}

namespace engine {

namespace {

std::atomic<int> signalled{0};
std::atomic<int> conversions_active{0};

extern "C" void on_termination_signal(int number) {
  if (signalled.load(std::memory_order_relaxed) != 0 || conversions_active.load(std::memory_order_relaxed) == 0) {
    // Nothing left to finish, or the user insists: end now.
    std::signal(number, SIG_DFL);
    std::raise(number);
    return;
  }
  signalled.store(number, std::memory_order_relaxed);
}

}  // namespace

void set_up_process(bool quiet) {
  struct sigaction action {};
  action.sa_handler = on_termination_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // other threads' blocking calls go on
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGXFSZ, SIG_IGN);
  av_log_set_level(quiet ? AV_LOG_QUIET : AV_LOG_INFO);
}

void begin_conversion_signals() { conversions_active.fetch_add(1, std::memory_order_relaxed); }

void end_conversion_signals() {
  if (conversions_active.fetch_sub(1, std::memory_order_relaxed) != 1) return;
  const int number = signalled.load(std::memory_order_relaxed);
  if (number == 0) return;
  std::signal(number, SIG_DFL);
  std::raise(number);
}

const std::atomic<int>& termination_signal() { return signalled; }

}  // namespace engine

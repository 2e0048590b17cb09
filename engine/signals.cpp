#include "engine/signals.h"

#include <csignal>

#include "engine/state.h"

namespace engine {

namespace {

std::atomic<bool> conversion_active{false};

extern "C" void on_termination_signal(int number) {
  auto& flag = state().termination_signalled;
  if (flag.load(std::memory_order_relaxed) != 0 || !conversion_active.load(std::memory_order_relaxed)) {
    // Nothing left to finish, or the user insists: end now.
    std::signal(number, SIG_DFL);
    std::raise(number);
    return;
  }
  flag.store(number, std::memory_order_relaxed);
}

}  // namespace

void install_termination_handlers() {
  conversion_active.store(true, std::memory_order_relaxed);
  struct sigaction action {};
  action.sa_handler = on_termination_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // other threads' blocking calls go on
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void end_conversion_signals() {
  conversion_active.store(false, std::memory_order_relaxed);
  int number = state().termination_signalled.load(std::memory_order_relaxed);
  if (number == 0) return;
  std::signal(number, SIG_DFL);
  std::raise(number);
}

}  // namespace engine

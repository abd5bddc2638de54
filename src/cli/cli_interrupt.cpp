#include "cli/cli_interrupt.h"

#include <csignal>
#include <mutex>

namespace {

std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void OnStopSignal(int) { g_stop.store(true); }

using Handler = void (*)(int);

Handler Install(int sig) {
  Handler previous = std::signal(sig, OnStopSignal);
  if (previous == SIG_IGN) std::signal(sig, SIG_IGN);
  return previous == SIG_ERR ? SIG_DFL : previous;
}

struct Installed {
  std::mutex mutex;
  int guards = 0;
  Handler previousInt = SIG_DFL;
  Handler previousTerm = SIG_DFL;
};

Installed& State() {
  static Installed state;
  return state;
}

}  // namespace

std::atomic<bool>& CliStopFlag() { return g_stop; }

CliInterruptGuard::CliInterruptGuard() {
  Installed& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.guards++ > 0) return;
  g_stop.store(false);
  s.previousInt = Install(SIGINT);
  s.previousTerm = Install(SIGTERM);
}

CliInterruptGuard::~CliInterruptGuard() {
  Installed& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (--s.guards > 0) return;
  std::signal(SIGINT, s.previousInt);
  std::signal(SIGTERM, s.previousTerm);
}

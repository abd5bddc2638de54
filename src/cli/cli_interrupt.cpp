#include "cli/cli_interrupt.h"

#include <csignal>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::atomic<bool> g_interrupted{false};
std::atomic<int> g_guards{0};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

#ifdef _WIN32
// The console runs this on a thread of its own; TRUE keeps the process alive.
BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  g_interrupted.store(true);
  return TRUE;
}
#else
void OnSignal(int) { g_interrupted.store(true); }

struct PosixHandlers {
  struct sigaction previousInt {}, previousTerm {};
};
PosixHandlers g_previous;

void Install(int sig, struct sigaction& previous) {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // The reads and writes under way go on; the command looks at the flag between commands.
  action.sa_flags = SA_RESTART;
  sigaction(sig, nullptr, &previous);
  if (previous.sa_handler == SIG_IGN) return;
  sigaction(sig, &action, nullptr);
}
#endif

}  // namespace

CliInterruptGuard::CliInterruptGuard() {
  if (g_guards.fetch_add(1) != 0) return;
  installed_ = true;
  g_interrupted.store(false);
#ifdef _WIN32
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
#else
  Install(SIGINT, g_previous.previousInt);
  Install(SIGTERM, g_previous.previousTerm);
#endif
}

CliInterruptGuard::~CliInterruptGuard() {
  g_guards.fetch_sub(1);
  if (!installed_) return;
#ifdef _WIN32
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
#else
  sigaction(SIGINT, &g_previous.previousInt, nullptr);
  sigaction(SIGTERM, &g_previous.previousTerm, nullptr);
#endif
}

const std::atomic<bool>& CliInterruptFlag() { return g_interrupted; }

#pragma once
// Ctrl-C and termination requests (SIGINT, SIGTERM; on Windows the console's Ctrl-C and
// Ctrl-Break) while a command runs that must end cleanly: the handler only raises a flag,
// which the command looks at between the commands it sends, so the process never ends
// in the middle of a line on the wire or of a file being written.
#include <atomic>

// While one lives, the requests raise CliInterruptFlag() instead of ending the process
// (a signal the process was told to ignore stays ignored). The flag is lowered when the
// first guard is made; the previous handling comes back when it dies. Guards nest, also on
// several threads (a fleet's devices each run a command with its own guard), provided the
// outermost one outlives the others.
class CliInterruptGuard {
 public:
  CliInterruptGuard();
  ~CliInterruptGuard();
  CliInterruptGuard(const CliInterruptGuard&) = delete;
  CliInterruptGuard& operator=(const CliInterruptGuard&) = delete;

 private:
  bool installed_ = false;  // this guard installed the handlers (the outermost one)
};

// Raised by an interruption; lock-free, so a signal handler may set it.
const std::atomic<bool>& CliInterruptFlag();
inline bool CliInterrupted() { return CliInterruptFlag().load(); }

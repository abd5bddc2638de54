#pragma once
// Ctrl-C and termination requests for the commands that stop cleanly (flash, several
// devices at once): one flag for the whole process, raised by the signal handler and
// read by every loop that waits for a device.
#include <atomic>

// The process's stop flag: raised once Ctrl-C (SIGINT) or SIGTERM arrived while a guard
// lived.
std::atomic<bool>& CliStopFlag();
inline bool CliStopRequested() { return CliStopFlag().load(); }

// While the outermost guard lives, SIGINT and SIGTERM raise the stop flag instead of
// ending the process; it lowers the flag when it starts and restores the handlers when it
// ends. Guards nest and may live on several threads at once. A signal the process was
// told to ignore stays ignored.
class CliInterruptGuard {
 public:
  CliInterruptGuard();
  ~CliInterruptGuard();
  CliInterruptGuard(const CliInterruptGuard&) = delete;
  CliInterruptGuard& operator=(const CliInterruptGuard&) = delete;
};

#pragma once
// Runs the built qx310-cli as a separate process: arguments, the time scale in its
// environment, standard input from /dev/null, standard output and error captured.
#include <functional>
#include <string>
#include <vector>

struct CliRun {
  int status = -1;        // exit status; 128 + signal; -1 when it did not end in time
  std::string out;        // standard output
  std::string err;        // standard error
  long long elapsedMs = 0;
};

struct CliRunOptions {
  double timeScale = 0;       // QX310_TIME_SCALE; 0: not set
  std::string timeScaleText;  // QX310_TIME_SCALE as given (overrides timeScale)
  int uid = -1;               // run as this user (needs root); -1: as we are
  int limitMs = 120000;       // killed after this long (unscaled)
  // Called about every 100 ms while the program runs, with its process id and what it
  // has written to standard error so far: lets a test act on the device or signal
  // the program when a message appears.
  std::function<void(int pid, const std::string& err)> watch;
};

CliRun RunCli(const std::vector<std::string>& args, const CliRunOptions& options);

// Number of lines of a text (a last line without its newline counts).
int LineCount(const std::string& text);

#pragma once
// A device command on several ports at once: each port's run is the command as if that
// port were its only one, on its own thread with its own device, machines and parameter
// values; every line it prints starts with its port; a table sums the runs up.
#include <functional>
#include <memory>

#include "cli/cli_options.h"

class CliOutput;

// One port's run, made on the thread that runs it.
class FleetRun {
 public:
  virtual ~FleetRun() = default;
  // The command on this port: its exit status; written: parameters written (-1: none).
  virtual int Run(int& written) = 0;
  // From another thread while Run runs: makes it end soon (Ctrl-C).
  virtual void Cancel() = 0;
};
using MakeFleetRun = std::function<std::unique_ptr<FleetRun>(const CliOptions& one, CliOutput& output)>;

// The prefix of a port's lines.
std::string FleetPrefix(const std::string& port);

// Runs the command of options on each of its ports (one port and its own -o each), up to
// options.jobs at a time (0: all, at most kMaxJobs), each port's lines prefixed; then
// prints the table in the ports' order and returns the worst status. Ctrl-C (or SIGTERM)
// cancels the runs under way and starts no other: those end as cancelled (1).
int RunFleet(const CliOptions& options, CliOutput& output, const MakeFleetRun& make);

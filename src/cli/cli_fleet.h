#pragma once
// A device command on several ports at once: each port's run is the command as if that
// port were its only one, on its own thread with its own device, machines and parameter
// values; every line it prints starts with its port; a table sums the runs up.
#include <functional>

#include "cli/cli_options.h"

class CliOutput;

// One port's run, on the thread that runs it: the command on that port alone, its exit
// status returned and the parameters it wrote in written (-1: none).
using FleetRun = std::function<int(const CliOptions& one, CliOutput& output, int& written)>;

// The prefix of a port's lines.
std::string FleetPrefix(const std::string& port);

// Runs the command of options on each of its ports (one port and its own -o each), up to
// options.jobs at a time (0: all, at most kMaxJobs), each port's lines prefixed; then
// prints the table in the ports' order and returns the worst status. Ctrl-C (or SIGTERM)
// starts no other run; the runs under way end as a single port's run does (after the
// command in flight); the ports not started are cancelled (1).
int RunFleet(const CliOptions& options, CliOutput& output, const FleetRun& runOne);

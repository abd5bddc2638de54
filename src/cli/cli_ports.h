#pragma once
// apply and load on several ports: the command runs on each port in turn as if that were
// its only port, then a table sums up the runs.
#include <functional>
#include <string>
#include <vector>

#include "cli/cli_options.h"

class CliOutput;

// -o FILE with every "{port}" replaced by the port's name made file-name safe.
std::string OutputForPort(const std::string& output, const std::string& port);

struct PortRun {
  std::string port;
  int status = kExitOk;
  int written = -1;  // parameters written; -1 when the command writes none
  double seconds = 0;
};

// The summary: a header and one row per run (port, result, parameters written, seconds).
std::string PortRunTable(const std::vector<PortRun>& runs);
// The highest exit status of the runs (kExitOk for none).
int WorstStatus(const std::vector<PortRun>& runs);

// Runs runOne for each port of options (one port and its own -o each); prints the table
// and returns the worst status. runOne returns the status and sets the parameters written.
using RunOnePort = std::function<int(const CliOptions& one, int& written)>;
int RunOnEachPort(const CliOptions& options, CliOutput& output, const RunOnePort& runOne);

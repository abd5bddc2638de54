#pragma once
// A command on several ports: each port's own -o, and the table that sums up the runs.
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

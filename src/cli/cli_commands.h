#pragma once
// The commands of qx310-cli on the configuration machine and the link machine.
#include "cli/cli_options.h"

class CliOutput;

// Runs the parsed command (options.error must be empty) and returns its exit status.
int RunCliCommand(const CliOptions& options, CliOutput& output);

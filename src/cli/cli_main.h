#pragma once
// The whole of qx310-cli behind main(): parses the arguments, prints help or the
// version, takes QX310_TIME_SCALE, runs the command. Results go to out, progress and
// errors to err.
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_output.h"

// args without the program name; terminals: which standard streams are terminals
// (a question is read from standard input only when it is one). The exit status.
int CliMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            CliTerminals terminals = {});

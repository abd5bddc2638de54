// qx310-cli: the configuration tool's operations from a shell, on the same Qt-free
// machines as the desktop program. See `qx310-cli --help`.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/timing.h"
#include "base/version.h"
#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/cli_output.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // The listing goes out with its own CR LF line ends.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  const std::vector<std::string> args(argv + 1, argv + argc);
  const CliParse parsed = ParseCliArgs(args);
  CliOutput output(stdout, stderr, parsed.options.quiet);
  if (!parsed.error.empty()) {
    output.Error(parsed.error + " (see qx310-cli --help)");
    return kExitUsage;
  }
  if (parsed.options.version && !parsed.options.help) {
    std::printf("qx310-cli %s\n", QX310_VERSION);
    return kExitOk;
  }
  if (parsed.options.help || parsed.options.command == CliCommand::kNone) {
    output.ResultBytes(CliHelpText(parsed.options.command));
    return kExitOk;
  }
  if (const char* scale = std::getenv(kTimeScaleVariable)) {
    double value = 1.0;
    if (!ParseTimeScale(scale, value)) {
      output.Error(std::string("bad ") + kTimeScaleVariable + " '" + scale + "' (0 < F <= 10)");
      return kExitUsage;
    }
    Timing::SetScale(value);
  }
  return RunCliCommand(parsed.options, output);
}

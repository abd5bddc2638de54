#include "cli/cli_main.h"

#include <cstdlib>

#include "base/timing.h"
#include "base/version.h"
#include "cli/cli_commands.h"
#include "cli/cli_options.h"

int CliMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            CliTerminals terminals) {
  const CliParse parsed = ParseCliArgs(args, std::getenv(kPortVariable));
  CliOutput output(out, err, parsed.options.quiet, terminals);
  if (!parsed.error.empty()) {
    output.Error(parsed.error + " (see qx310-cli --help)");
    return kExitUsage;
  }
  if (parsed.options.version && !parsed.options.help) {
    output.Result(std::string("qx310-cli ") + QX310_VERSION);
    return kExitOk;
  }
  if (parsed.options.help || parsed.options.command == CliCommand::kNone) {
    output.ResultBytes(CliHelpText(parsed.options.command));
    return kExitOk;
  }
  // The time scale applies to the whole process (the test suites set it themselves).
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

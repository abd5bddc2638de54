#include "cli/cli_main.h"

#include <cstdlib>

#include "base/timing.h"
#include "base/version.h"
#include "cli/cli_commands.h"
#include "cli/cli_json.h"
#include "cli/cli_options.h"

namespace {

// --json for what ends before a command runs: the document with the status and errors.
int Ended(CliOutput& output, CliJson document, int status) {
  if (output.Json()) {
    document["status"] = status;
    document["errors"] = output.Errors();
    output.Document(JsonLine(document));
  }
  return status;
}

}  // namespace

int CliMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            CliTerminals terminals) {
  const CliParse parsed = ParseCliArgs(args, std::getenv(kPortVariable));
  CliOutput output(out, err, parsed.options.quiet, terminals);
  output.SetJson(parsed.options.json);
  if (!parsed.error.empty()) {
    output.Error(parsed.error + " (see qx310-cli --help)");
    return Ended(output, CliJson::object(), kExitUsage);
  }
  if (parsed.options.version && !parsed.options.help) {
    const std::string version = std::string("qx310-cli ") + QX310_VERSION;
    if (!output.Json()) output.Result(version);
    return Ended(output, {{"version", version}}, kExitOk);
  }
  if (parsed.options.help || parsed.options.command == CliCommand::kNone) {
    const std::string help = CliHelpText(parsed.options.command);
    if (!output.Json()) output.ResultBytes(help);
    return Ended(output, {{"help", help}}, kExitOk);
  }
  // The time scale applies to the whole process (the test suites set it themselves).
  if (const char* scale = std::getenv(kTimeScaleVariable)) {
    double value = 1.0;
    if (!ParseTimeScale(scale, value)) {
      output.Error(std::string("bad ") + kTimeScaleVariable + " '" + scale + "' (0 < F <= 10)");
      return Ended(output, CliJson::object(), kExitUsage);
    }
    Timing::SetScale(value);
  }
  return RunCliCommand(parsed.options, output);
}

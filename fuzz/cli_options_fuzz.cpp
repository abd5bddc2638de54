// The command line of qx310-cli: any arguments parse without a crash into either an
// error or options, and any --time text or time scale text is judged without a crash.
#include "cli/cli_options.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args;
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\0') {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  args.push_back(current);
  const CliParse p = ParseCliArgs(args);
  if (p.error.empty()) {
    FUZZ_CHECK(p.options.command != CliCommand::kNone || p.options.help || p.options.version);
    CliCommandName(p.options.command);
    CliHelpText(p.options.command);
  }
  std::string argument;
  if (ClockArgumentFromText(args.front(), argument)) FUZZ_CHECK(!argument.empty());
  double scale = 0;
  if (ParseTimeScale(args.back().c_str(), scale)) FUZZ_CHECK(scale > 0);
  return 0;
}

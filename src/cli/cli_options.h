#pragma once
// The command line of qx310-cli: commands, options, help texts and exit statuses.
// Qt-free; no device talk.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "cli/cli_cfg_input.h"
#include "protocol/record_batch.h"

// Exit statuses, documented in the overall help and the README.
enum CliExit {
  kExitOk = 0,
  kExitCancelled = 1,  // not confirmed; interrupted by Ctrl-C or SIGTERM
  kExitDiffer = 1,     // diff: the files differ
  kExitUsage = 2,      // bad command, option or value
  kExitPort = 3,       // the port cannot be opened, or it went away
  kExitNoAnswer = 4,   // the device does not answer
  kExitRefused = 5,    // the device answered but refused a command; an apply write failed
  kExitFile = 6,       // a file cannot be read or written, or is no firmware image
};

enum class CliCommand {
  kNone,
  kHelp,
  kPorts,
  kDetect,
  kLoad,
  kApply,
  kVersion,
  kSignal,
  kImei,
  kRestart,
  kFactoryReset,
  kSetClock,
  kFlash,
  kRecords,
  kSnapshot,
  kClearRecords,
  kClearBacklog,
  kSetInitial,
  kDiff,
};

struct CliOptions {
  CliCommand command = CliCommand::kNone;
  // --help (or `help COMMAND`): show the help of `command` (overall when kNone/kHelp).
  bool help = false;
  // --version: print the program's version.
  bool version = false;
  // --port (or QX310_PORT): the device's port for the device commands; extra ports for
  // ports/detect.
  std::vector<std::string> ports;
  int baud = 115200;
  int parity = 0;        // serial::Parity
  std::string logFile;   // --log
  bool quiet = false;    // --quiet
  bool json = false;     // --json: standard output holds one JSON object
  bool yes = false;      // --yes (factory-reset, clear-records, clear-backlog)
  bool noBackup = false; // --no-backup (apply, factory-reset, flash)
  std::string output;    // load, records, snapshot: -o ("-": standard output)
  std::string input;     // apply FILE, flash FILE, diff's first FILE
  std::string other;     // diff's second FILE
  bool dryRun = false;   // apply --dry-run: show what would be written, send no setter
  bool verify = true;    // apply: read back and compare after writing (--no-verify)
  bool fast = false;     // apply --fast: quiet-time pause after each setter; always verifies
  // set-clock: the AT+EXCCLK= argument built from --time ("" = the computer's local time).
  std::string clockArgument;
  int channel = 0;             // records, clear-records (0 all, default), set-initial (1-30)
  int camera = 1;              // snapshot: 1-4
  RecordDate from, to;         // records: --from, --to
  std::string initialValue;    // set-initial VALUE
  // apply, diff: how a .cfg FILE is read; load: how the listing is written.
  CfgEncoding encoding = CfgEncoding::kAuto;
  bool encodingGiven = false;
  std::vector<std::string> settings;  // apply --set "LABEL=VALUE", in the order given
  bool ignoreUnknown = false;         // apply, diff: go on past lines of unknown label
  // apply, load, flash, records on several ports: how many run at once (--jobs; 0: all).
  int jobs = 0;
  // --wait: how long a device command waits for its port to open, and detect for a device
  // to answer, in seconds (0: not at all).
  int waitSeconds = 0;
};

// The longest --wait, in seconds (a day).
constexpr int kMaxWaitSeconds = 86400;

// The most ports that run at once (--jobs).
constexpr int kMaxJobs = 32;

// A command as the help, the manual page and the completion show it.
struct CliCommandInfo {
  CliCommand command;
  const char* name;
  const char* synopsis;
  const char* summary;  // one line for the overall help
  const char* what;     // the command's help text, lines ended by "\n"
};

// The set of commands that take an option: bit (1 << CliCommand) of each.
using CliCommandSet = uint32_t;
constexpr CliCommandSet CommandBit(CliCommand c) { return CliCommandSet{1} << static_cast<int>(c); }

// An option, declared once: the parser, every help text, the manual page's check and the
// shell completion are made from it.
struct CliOptionInfo {
  const char* names;    // "-p,--port": short form (if any) first, then the long form
  const char* value;    // the value's name ("NAME"); nullptr for a flag
  const char* help;     // lines ended by "\n"
  CliCommandSet commands;
  // May stand before the command word as well (the options every device command takes).
  bool global = false;
};

std::span<const CliCommandInfo> CliCommandTable();
std::span<const CliOptionInfo> CliOptionTable();
// "--port" of "-p,--port".
std::string LongName(const CliOptionInfo& option);
// "-p" of "-p,--port"; "" when the option has no short form.
std::string ShortName(const CliOptionInfo& option);
bool Takes(const CliOptionInfo& option, CliCommand command);

// The bash completion script for qx310-cli: commands, each command's options, values of
// --parity and --encoding, files and ports where a value names one.
std::string BashCompletionScript();

struct CliParse {
  CliOptions options;
  std::string error;  // non-empty: bad usage, one line
};

// Name of the environment variable that names the device's port when --port is not given.
constexpr char kPortVariable[] = "QX310_PORT";

// args without the program name; environmentPort: the value of QX310_PORT (nullptr: unset).
CliParse ParseCliArgs(const std::vector<std::string>& args, const char* environmentPort = nullptr);

// True for the commands that may run on several ports at once (apply, load, flash, records).
bool TakesSeveralPorts(CliCommand command);

// True for the commands that talk to the device on --port.
bool IsDeviceCommand(CliCommand command);
const char* CliCommandName(CliCommand command);

// The overall help, or one command's.
std::string CliHelpText(CliCommand command);

// "YYYY/MM/DD,HH:MM:SS" (a real calendar date and time) → "YYYY/MM/DD,HH:MM:SS,w" with
// the weekday w (0 Sunday .. 6 Saturday); false for anything else.
bool ClockArgumentFromText(const std::string& text, std::string& argument);
// The argument for the computer's current local time.
std::string ClockArgumentNow();

// Name of the environment variable that scales every protocol time (testing aid).
constexpr char kTimeScaleVariable[] = "QX310_TIME_SCALE";
// Parses its value: a number above 0 and at most 10.
bool ParseTimeScale(const char* text, double& scale);

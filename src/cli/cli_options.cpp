#include "base/log_text.h"
#include "cli/cli_options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <map>
#include <cstdlib>
#include <ctime>
#include <tuple>

#include "config/station_clock.h"
#include "serial/serial_port.h"

namespace {

constexpr CliCommandInfo kCommands[] = {
    {CliCommand::kPorts, "ports", "ports [--port NAME]...", "list the serial ports",
     "Lists the serial ports as the main window lists them: the system's ports, then\n"
     "the ports named with --port.\n"},
    {CliCommand::kDetect, "detect", "detect [--port NAME]...", "find the device, print its port",
     "Looks for the device on every listed port (115200 baud, 8N1, probe \"---\",\n"
     "two probes per port) and prints the port on which it answered.\n"
     "Exit status 4 when no port answered.\n"},
    {CliCommand::kLoad, "load", "load --port NAME... [-o FILE]", "read the parameters (.cfg form)",
     "Reads every parameter (AT+SHOW, with its retries and recovery) and writes them in\n"
     ".cfg form to FILE (replaced completely or not at all, code page 936 bytes) or, as\n"
     "UTF-8 text, to standard output. With several --port, the ports at once (--jobs);\n"
     "FILE must then hold {port}, which becomes the port's name made file-name safe.\n"},
    {CliCommand::kApply, "apply",
     "apply --port NAME... [--dry-run] [--no-backup] [--fast] [--no-verify]\n"
     "      [--set \"LABEL=VALUE\"]... [--encoding E] [--ignore-unknown] FILE",
     "write the values of a .cfg file that differ",
     "Reads the parameters, then writes every value of the .cfg FILE that differs from\n"
     "the device's, one command per value, with the recovery and retry of the\n"
     "configuration tool. Prints one line per parameter sent with its outcome and a\n"
     "summary. Then reads the parameters back and prints every written value the\n"
     "device does not hold as sent (--no-verify skips this). --fast ends the pause\n"
     "after each accepted value once the line has been quiet for 20 ms instead of\n"
     "waiting 1 s; on any failure the rest goes at the normal pace; it always verifies.\n"
     "Exit status 0 only when every write succeeded and was verified, 5 otherwise.\n"
     "With --dry-run it prints what it would write (\"label: device value -> file value\",\n"
     "in sending order) and sends no setter; exit status 0.\n"
     "With several --port, the ports at once (--jobs), each line after \"[PORT] \", then\n"
     "a table (port, result, parameters written, seconds); the exit status is the\n"
     "highest of the ports'. Ctrl-C cancels them all (exit status 1).\n"},
    {CliCommand::kVersion, "version", "version --port NAME", "print the device's version",
     "Prints the device's version text (AT+VER).\n"},
    {CliCommand::kSignal, "signal", "signal --port NAME", "print the modem's signal quality",
     "Prints the modem's signal quality (AT+CSQ in the modem pass-through state; the\n"
     "device is brought back into its configuration state afterwards).\n"},
    {CliCommand::kImei, "imei", "imei --port NAME", "print the modem's IMEI",
     "Prints the modem's IMEI (AT+GSN, like signal).\n"},
    {CliCommand::kRestart, "restart", "restart --port NAME", "restart the device",
     "Restarts the device (AT+RESET).\n"},
    {CliCommand::kFactoryReset, "factory-reset", "factory-reset --port NAME [--yes] [--no-backup]",
     "restore the factory settings",
     "Restores the factory settings (AT+FACTORY) and reads the parameters again.\n"
     "Asks for confirmation on the terminal unless --yes is given; without a terminal\n"
     "and without --yes nothing is done (exit status 1).\n"},
    {CliCommand::kSetClock, "set-clock", "set-clock --port NAME [--time \"YYYY/MM/DD,HH:MM:SS\"]",
     "set the device clock",
     "Sets the device clock (AT+EXCCLK=) to the given time or, by default, to this\n"
     "computer's local time. The weekday is computed from the date.\n"},
    {CliCommand::kFlash, "flash", "flash --port NAME... [--no-backup] FILE", "send a firmware image to the device",
     "Sends the firmware image FILE (1 to 1048575 bytes, e.g. a .bin) to the device's\n"
     "boot loader: the device is restarted (AT+RESET; when it does not restart, \"---\"\n"
     "brings it back to its configuration state and AT+RESET is tried again), the boot\n"
     "loader is polled with \"P\" every 500 ms, and the image goes in frames of 4096\n"
     "bytes, each acknowledged. A refused or unacknowledged frame sends the whole image\n"
     "again once the boot loader answers. A progress line shows the blocks acknowledged\n"
     "(updated in place on a terminal, one line per tenth otherwise).\n"
     "When the device cannot be restarted, the command prints (even with --quiet)\n"
     "  升级错误，请将设备重新上电！  (power the device off and on)\n"
     "and waits for the boot loader of the powered-up device; Ctrl-C (or SIGTERM) stops\n"
     "the download at any time. An empty file, or one of 1048576 bytes or more, is\n"
     "refused before anything is sent.\n"
     "Exit status 0 only when the last block was acknowledged; 1 when stopped by Ctrl-C;\n"
     "3 when the port went away; 6 for a file that is no firmware image.\n"
     "With several --port, the ports at once (--jobs), as apply does.\n"},
    {CliCommand::kRecords, "records",
     "records --port NAME... [--channel N] --from DATE --to DATE -o FILE",
     "read stored records into a .csv file",
     "Reads the records the device stored for channel N (1-30; 0, the default, for all\n"
     "channels) from the first day 0:00 to the last day 23:55:55 (DATE: YYYY/M/D or\n"
     "YYYY-MM-DD) and writes them to FILE as the storage page saves them: comma-separated,\n"
     "a header line, code page 936 bytes. The number of records is shown as they arrive.\n"
     "The file is replaced completely or not at all; a failed read writes no file. A\n"
     "read still going after 20 minutes is ended and what came is written (with a note).\n"
     "With several --port, the ports at once (--jobs), as apply does; FILE must then\n"
     "hold {port}.\n"},
    {CliCommand::kSnapshot, "snapshot", "snapshot --port NAME [--camera N] -o FILE",
     "take a picture with a camera into a .jpg file",
     "Has camera N (1-4, default 1) take a picture (AT+TESTCAM=N) and writes the JPEG\n"
     "the device sends to FILE (replaced completely or not at all). A picture announced\n"
     "larger than 102400 bytes, or not complete within 60 seconds, writes no file.\n"},
    {CliCommand::kClearRecords, "clear-records", "clear-records --port NAME [--channel N] [--yes]",
     "delete stored records",
     "Deletes the records the device stored for channel N (1-30; 0, the default, for all\n"
     "channels) (AT+CLRCHNNLRCRD=N). Asks for confirmation on the terminal unless --yes\n"
     "is given; without a terminal and without --yes nothing is done (exit status 1).\n"},
    {CliCommand::kClearBacklog, "clear-backlog", "clear-backlog --port NAME [--yes]",
     "delete the backlog of unsent reports",
     "Deletes the reports the device has not sent yet (AT+CLRUPLOSE). Asks for\n"
     "confirmation like clear-records.\n"},
    {CliCommand::kSetInitial, "set-initial", "set-initial --port NAME --channel N VALUE",
     "give a channel an initial value",
     "Gives channel N (1-30) the initial value VALUE (AT+SETINITDATA<NN>=VALUE).\n"},
    {CliCommand::kDiff, "diff", "diff A.cfg B.cfg", "the values B would change on a device holding A",
     "Compares two .cfg files without a device: prints the rows that applying B to a\n"
     "device holding the values of A would write (\"label: A's value -> B's value\", in\n"
     "sending order). Exit status 0 when there is none, 1 when there are, 6 when a file\n"
     "cannot be read or holds no parameter.\n"},
    {CliCommand::kHelp, "help", "help [COMMAND]", "this text, or a command's",
     "Shows the overall help or a command's.\n"},
};

const CliCommandInfo* FindCommand(const std::string& name) {
  for (const CliCommandInfo& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

const CliCommandInfo* InfoOf(CliCommand command) {
  for (const CliCommandInfo& c : kCommands)
    if (c.command == command) return &c;
  return nullptr;
}

constexpr CliCommandSet kDevice =
    CommandBit(CliCommand::kLoad) | CommandBit(CliCommand::kApply) | CommandBit(CliCommand::kVersion) |
    CommandBit(CliCommand::kSignal) | CommandBit(CliCommand::kImei) | CommandBit(CliCommand::kRestart) |
    CommandBit(CliCommand::kFactoryReset) | CommandBit(CliCommand::kSetClock) |
    CommandBit(CliCommand::kFlash) | CommandBit(CliCommand::kRecords) |
    CommandBit(CliCommand::kSnapshot) | CommandBit(CliCommand::kClearRecords) |
    CommandBit(CliCommand::kClearBacklog) | CommandBit(CliCommand::kSetInitial);
constexpr CliCommandSet kEvery = kDevice | CommandBit(CliCommand::kPorts) |
                                 CommandBit(CliCommand::kDetect) | CommandBit(CliCommand::kDiff);
constexpr CliCommandSet kApplyOnly = CommandBit(CliCommand::kApply);
// The commands that run on several ports at once.
constexpr CliCommandSet kFleet = CommandBit(CliCommand::kApply) | CommandBit(CliCommand::kLoad) |
                                 CommandBit(CliCommand::kFlash) | CommandBit(CliCommand::kRecords);

constexpr CliOptionInfo kOptions[] = {
    {"-p,--port", "NAME",
     "the device's serial port, e.g. /dev/ttyUSB0, COM3 (default:\n"
     "the value of QX310_PORT); ports, detect: one more port\n",
     kDevice | CommandBit(CliCommand::kPorts) | CommandBit(CliCommand::kDetect), true},
    {"-b,--baud", "N", "baud rate (default 115200)\n", kDevice, true},
    {"--parity", "P", "none, odd, even, mark or space (default none)\n", kDevice, true},
    {"--log", "FILE", "append the time-stamped log of the exchanges to FILE\n", kDevice, true},
    {"--wait", "SECONDS",
     "wait up to SECONDS for the port to appear (or to come back after\n"
     "a reset) before starting; detect: search again until a device\n"
     "answers\n",
     kDevice | CommandBit(CliCommand::kDetect), true},
    {"-q,--quiet", nullptr, "print only results and errors\n", kEvery, true},
    {"--json", nullptr,
     "standard output holds one JSON object with the results (UTF-8);\n"
     "the messages stay on standard error\n",
     kEvery | CommandBit(CliCommand::kNone) | CommandBit(CliCommand::kHelp), true},
    {"--no-backup", nullptr,
     "no backup of the device's values first (by default a .cfg\n"
     "in QX310_BACKUP_DIR, else ~/.local/share/qx310-tools/backups;\n"
     "the newest 200 are kept)\n",
     kApplyOnly | CommandBit(CliCommand::kFactoryReset) | CommandBit(CliCommand::kFlash)},
    {"-o,--output", "FILE", "the file to write (\"-\": standard output)\n",
     CommandBit(CliCommand::kLoad) | CommandBit(CliCommand::kRecords) |
         CommandBit(CliCommand::kSnapshot)},
    {"-j,--jobs", "N",
     "with several --port: how many ports at once, 1-32 (default: all,\n"
     "at most 32)\n",
     kFleet},
    {"--dry-run", nullptr, "show what would be written; send no setter\n", kApplyOnly},
    {"--fast", nullptr, "end the pause after an accepted value once the line is quiet\n", kApplyOnly},
    {"--no-verify", nullptr, "do not read the parameters back after writing\n", kApplyOnly},
    {"-y,--yes", nullptr, "do not ask for confirmation\n",
     CommandBit(CliCommand::kFactoryReset) | CommandBit(CliCommand::kClearRecords) |
         CommandBit(CliCommand::kClearBacklog)},
    {"--time", "\"YYYY/MM/DD,HH:MM:SS\"", "the time to set (default: this computer's local time)\n",
     CommandBit(CliCommand::kSetClock)},
    {"--channel", "N", "the channel: 1-30 (records, clear-records: 0 for all, the default)\n",
     CommandBit(CliCommand::kRecords) | CommandBit(CliCommand::kClearRecords) |
         CommandBit(CliCommand::kSetInitial)},
    {"--camera", "N", "the camera: 1-4 (default 1)\n", CommandBit(CliCommand::kSnapshot)},
    {"--from", "DATE", "the first day (YYYY/M/D or YYYY-MM-DD)\n", CommandBit(CliCommand::kRecords)},
    {"--to", "DATE", "the last day (YYYY/M/D or YYYY-MM-DD)\n", CommandBit(CliCommand::kRecords)},
    {"--encoding", "E",
     "apply, diff: the .cfg FILE's encoding, gbk (code page 936) or\n"
     "utf-8 (default: UTF-8 when the file is UTF-8 with a multi-byte\n"
     "character, else gbk); load: the listing's (default: gbk to a file,\n"
     "utf-8 to the terminal)\n",
     kApplyOnly | CommandBit(CliCommand::kDiff) | CommandBit(CliCommand::kLoad)},
    {"--set", "\"LABEL=VALUE\"",
     "use VALUE for the parameter LABEL instead of the file's (repeatable)\n", kApplyOnly},
    {"--ignore-unknown", nullptr, "go on past lines whose label no parameter has\n",
     kApplyOnly | CommandBit(CliCommand::kDiff)},
    {"-h,--help", nullptr, "this text; with a command, the command's help\n",
     kEvery | CommandBit(CliCommand::kNone) | CommandBit(CliCommand::kHelp), true},
    {"--version", nullptr, "the program's version\n", CommandBit(CliCommand::kNone), true},
};

const CliOptionInfo* FindOption(std::string_view token) {
  const std::string name(token.substr(0, token.find('=')));
  for (const CliOptionInfo& option : kOptions)
    if (name == LongName(option) || (!ShortName(option).empty() && name == ShortName(option)))
      return &option;
  return nullptr;
}

// "apply", "load and records", "apply, factory-reset and flash".
std::string CommandList(CliCommandSet commands) {
  std::vector<std::string> names;
  for (const CliCommandInfo& c : kCommands)
    if ((commands & CommandBit(c.command)) != 0) names.push_back(c.name);
  std::string t;
  for (size_t i = 0; i < names.size(); ++i)
    t += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
  return t;
}

// The option as the help shows it: "-p, --port NAME".
std::string OptionLabel(const CliOptionInfo& option) {
  std::string label = ShortName(option).empty() ? LongName(option) : ShortName(option) + ", " + LongName(option);
  if (option.value != nullptr) label += std::string(" ") + option.value;
  return label;
}

// One option's lines: the label, then the help indented to column 21.
std::string OptionHelp(const CliOptionInfo& option) {
  constexpr size_t kColumn = 21;
  std::string t = "  " + OptionLabel(option);
  if (t.size() + 1 > kColumn) t += "\n" + std::string(kColumn, ' ');
  else t.resize(kColumn, ' ');
  std::string_view help = option.help;
  for (size_t at = 0; at < help.size();) {
    const size_t end = help.find('\n', at);
    if (at > 0) t += std::string(kColumn, ' ');
    t.append(help.substr(at, end - at)).push_back('\n');
    at = end == std::string_view::npos ? help.size() : end + 1;
  }
  return t;
}

constexpr char kExitStatuses[] =
    "Exit status:\n"
    "  0  success\n"
    "  1  cancelled: factory-reset, clear-records, clear-backlog not confirmed; apply,\n"
    "     load, records, snapshot, flash interrupted by Ctrl-C or SIGTERM (after the\n"
    "     command in flight; what was done is printed; no file written); for diff:\n"
    "     the files differ\n"
    "  2  bad usage (unknown command or option, missing or bad value)\n"
    "  3  the port cannot be opened (the reason is printed), or it went away\n"
    "  4  the device does not answer\n"
    "  5  the device refused a command (it answered, but not with OK); a write of apply failed\n"
    "  6  a file cannot be read or written, holds no parameter, or is no firmware image\n";

constexpr char kTestingAid[] =
    "Testing aid: the environment variable QX310_TIME_SCALE=F (0 < F <= 10) multiplies\n"
    "every protocol time limit and pause by F, e.g. 0.05 against the simulator.\n";

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

bool ParseBaud(const std::string& text, int& baud) {
  if (!AllDigits(text) || text.size() > 8) return false;
  const long v = std::strtol(text.c_str(), nullptr, 10);
  if (v < 50 || v > 4000000) return false;
  baud = static_cast<int>(v);
  return true;
}

bool ParseParity(const std::string& text, int& parity) {
  std::string t;
  for (char c : text) t += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  static constexpr struct {
    const char* name;
    int code;
  } kParities[] = {{"none", serial::kParityNone},
                   {"odd", serial::kParityOdd},
                   {"even", serial::kParityEven},
                   {"mark", serial::kParityMark},
                   {"space", serial::kParitySpace}};
  for (const auto& p : kParities) {
    if (t == p.name) {
      parity = p.code;
      return true;
    }
  }
  return false;
}

bool LeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && LeapYear(y) ? 29 : kDays[m - 1];
}

}  // namespace

std::span<const CliCommandInfo> CliCommandTable() { return kCommands; }
std::span<const CliOptionInfo> CliOptionTable() { return kOptions; }

std::string LongName(const CliOptionInfo& option) {
  const std::string_view names = option.names;
  const size_t comma = names.find(',');
  return std::string(comma == std::string_view::npos ? names : names.substr(comma + 1));
}

std::string ShortName(const CliOptionInfo& option) {
  const std::string_view names = option.names;
  const size_t comma = names.find(',');
  return comma == std::string_view::npos ? std::string() : std::string(names.substr(0, comma));
}

bool Takes(const CliOptionInfo& option, CliCommand command) {
  return (option.commands & CommandBit(command)) != 0;
}

bool TakesSeveralPorts(CliCommand command) { return (kFleet & CommandBit(command)) != 0; }

bool IsDeviceCommand(CliCommand command) {
  switch (command) {
    case CliCommand::kLoad:
    case CliCommand::kApply:
    case CliCommand::kVersion:
    case CliCommand::kSignal:
    case CliCommand::kImei:
    case CliCommand::kRestart:
    case CliCommand::kFactoryReset:
    case CliCommand::kSetClock:
    case CliCommand::kFlash:
    case CliCommand::kRecords:
    case CliCommand::kSnapshot:
    case CliCommand::kClearRecords:
    case CliCommand::kClearBacklog:
    case CliCommand::kSetInitial:
      return true;
    default:
      return false;
  }
}

const char* CliCommandName(CliCommand command) {
  const CliCommandInfo* info = InfoOf(command);
  return info ? info->name : "";
}

bool ClockArgumentFromText(const std::string& text, std::string& argument) {
  // YYYY/MM/DD,HH:MM:SS
  if (text.size() != 19 || text[4] != '/' || text[7] != '/' || text[10] != ',' || text[13] != ':' ||
      text[16] != ':')
    return false;
  const std::string_view s(text);
  const std::string_view fields[] = {s.substr(0, 4),  s.substr(5, 2),  s.substr(8, 2),
                                     s.substr(11, 2), s.substr(14, 2), s.substr(17, 2)};
  for (std::string_view f : fields)
    if (!AllDigits(f)) return false;
  auto num = [](std::string_view f) { return std::atoi(std::string(f).c_str()); };
  const int year = num(fields[0]), month = num(fields[1]), day = num(fields[2]);
  const int hour = num(fields[3]), minute = num(fields[4]), second = num(fields[5]);
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  if (hour > 23 || minute > 59 || second > 59) return false;
  argument = station_clock::ManualClockArgument(s.substr(0, 10), s.substr(11, 8));
  return true;
}

std::string ClockArgumentNow() {
  const std::tm tm = LocalTime();
  station_clock::ClockTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  return station_clock::SystemClockArgument(t);
}

bool ParseTimeScale(const char* text, double& scale) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (*end != '\0' || !(v > 0.0) || v > 10.0) return false;
  scale = v;
  return true;
}

namespace {

// What the command line held, by long option name, before the values are checked.
struct RawArgs {
  const CliCommandInfo* command = nullptr;  // null: no command word
  std::vector<std::string> positional;      // after the command word (the main one's when none)
  std::map<std::string, std::vector<std::string>> values;  // valued options, every occurrence
  std::map<std::string, int> counts;                       // flags: how often given
  std::vector<std::string> unknown;                        // option tokens no parser took

  bool Given(const std::string& name) const {
    const auto v = values.find(name);
    const auto c = counts.find(name);
    return (v != values.end() && !v->second.empty()) || (c != counts.end() && c->second > 0);
  }
  // The last value given for name ("" when none).
  std::string Last(const std::string& name) const {
    const auto v = values.find(name);
    return v == values.end() || v->second.empty() ? std::string() : v->second.back();
  }
};

void Declare(CLI::App& app, const CliOptionInfo& option, RawArgs& raw) {
  const std::string name = LongName(option);
  if (option.value != nullptr) {
    app.add_option(option.names, raw.values[name], option.help)
        ->type_name(option.value)
        ->allow_extra_args(false)
        ->take_all();
  } else {
    app.add_flag(option.names, raw.counts[name], option.help)->disable_flag_override();
  }
}

// CLI11's own message, reworded where it names an option by its bare name.
std::string ParseErrorText(const CLI::ParseError& e) {
  std::string text = e.what();
  static const std::string kOverride = " was given a disallowed flag override";
  if (text.size() > kOverride.size() && text.ends_with(kOverride))
    return "option --" + text.substr(0, text.size() - kOverride.size()) + " takes no value";
  return text;
}

// The tokens: the command word picks a subcommand, whose options (and the global
// ones, before or after it) CLI11 collects; values are checked afterwards.
std::string Tokenize(const std::vector<std::string>& args, RawArgs& raw) {
  CLI::App app("qx310-cli");
  app.set_help_flag();
  // A file name such as /tmp/site.cfg is a path on every system, never a "/option"
  // (CLI11 takes those on Windows by default); subcommands inherit this when added.
  app.allow_windows_style_options(false);
  app.allow_extras();
  app.require_subcommand(0, 1);
  for (const CliOptionInfo& option : kOptions)
    if (option.global) Declare(app, option, raw);
  std::vector<std::string> mainPositional;
  app.add_option("command", mainPositional);
  std::vector<std::pair<CLI::App*, const CliCommandInfo*>> subs;
  for (const CliCommandInfo& c : kCommands) {
    CLI::App* sub = app.add_subcommand(c.name, c.summary);
    sub->fallthrough();
    sub->allow_extras();
    for (const CliOptionInfo& option : kOptions)
      if (!option.global && Takes(option, c.command)) Declare(*sub, option, raw);
    sub->add_option("args", raw.positional);
    subs.emplace_back(sub, &c);
  }
  // Everything after "--" is an argument; CLI11 sees only what comes before it.
  const auto mark = std::find(args.begin(), args.end(), std::string("--"));
  try {
    std::vector<std::string> reversed(std::make_reverse_iterator(mark), args.rend());
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    return ParseErrorText(e);
  }
  for (const auto& [sub, info] : subs) {
    if (!sub->parsed()) continue;
    raw.command = info;
    for (const std::string& r : sub->remaining()) raw.unknown.push_back(r);
  }
  for (const std::string& r : app.remaining()) raw.unknown.push_back(r);
  if (raw.command == nullptr) raw.positional = mainPositional;
  if (mark != args.end()) raw.positional.insert(raw.positional.end(), mark + 1, args.end());
  return {};
}

}  // namespace

CliParse ParseCliArgs(const std::vector<std::string>& args, const char* environmentPort) {
  CliParse r;
  CliOptions& o = r.options;
  auto fail = [&r](std::string message) {
    if (r.error.empty()) r.error = std::move(message);
  };
  RawArgs raw;
  if (std::string error = Tokenize(args, raw); !error.empty()) {
    fail(error);
    // The error is reported in JSON too when asked for.
    o.json = std::find(args.begin(), std::find(args.begin(), args.end(), std::string("--")),
                       std::string("--json")) != args.end();
    return r;
  }
  o.json = raw.Given("--json");
  const CliCommand command = raw.command ? raw.command->command : CliCommand::kNone;
  for (const std::string& token : raw.unknown) {
    const CliOptionInfo* option = FindOption(token);
    if (option == nullptr || command == CliCommand::kNone) {
      fail("unknown option " + token.substr(0, token.find('=')));
    } else {
      fail(LongName(*option) + " is an option of " + CommandList(option->commands));
    }
  }
  o.help = raw.Given("--help");
  o.version = raw.Given("--version");
  o.quiet = raw.Given("--quiet");
  o.ports = raw.values["--port"];
  o.logFile = raw.Last("--log");
  o.output = raw.Last("--output");
  if (raw.command == nullptr) {
    if (!raw.positional.empty()) fail("unknown command '" + raw.positional.front() + "'");
    else if (!o.help && !o.version) fail("no command given");
    return r;
  }
  const CliCommandInfo* info = raw.command;
  o.command = command;
  std::vector<std::string>& positional = raw.positional;

  if (o.command == CliCommand::kHelp) {
    o.help = true;
    o.command = CliCommand::kNone;
    if (positional.size() > 1) fail("help takes one command name");
    if (positional.size() == 1) {
      const CliCommandInfo* about = FindCommand(positional[0]);
      if (about == nullptr) {
        fail("unknown command '" + positional[0] + "'");
      } else if (about->command != CliCommand::kHelp) {
        o.command = about->command;
      }
    }
    return r;
  }
  if (o.help) return r;  // `COMMAND --help` shows the command's help whatever else is given

  // The global options a command does not take.
  for (const CliOptionInfo& option : kOptions)
    if (option.global && raw.Given(LongName(option)) && !Takes(option, o.command))
      fail(std::string(info->name) + " takes no " + LongName(option));

  // Arguments each command accepts.
  if (o.command == CliCommand::kApply || o.command == CliCommand::kFlash) {
    if (positional.size() != 1) fail(std::string(info->name) + " needs exactly one FILE");
    else o.input = positional[0];
  } else if (o.command == CliCommand::kDiff) {
    if (positional.size() != 2) fail("diff needs exactly two FILEs");
    else o.input = positional[0], o.other = positional[1];
  } else if (o.command == CliCommand::kSetInitial) {
    if (positional.size() != 1) fail("set-initial needs exactly one VALUE");
    else o.initialValue = positional[0];
  } else if (!positional.empty()) {
    fail(std::string(info->name) + ": unexpected argument '" + positional[0] + "'");
  }

  for (const std::string& port : o.ports)
    if (port.empty()) fail("--port needs a port name");
  if (raw.Given("--baud") && !ParseBaud(raw.Last("--baud"), o.baud))
    fail("bad baud rate '" + raw.Last("--baud") + "'");
  if (raw.Given("--parity") && !ParseParity(raw.Last("--parity"), o.parity))
    fail("bad parity '" + raw.Last("--parity") + "' (none, odd, even, mark, space)");
  if (raw.Given("--log") && o.logFile.empty()) fail("--log needs a file name");
  if (raw.Given("--output") && o.output.empty()) fail("-o needs a file name");
  if (o.json && o.output == "-") fail("--json and -o - both write to standard output");
  o.yes = raw.Given("--yes");
  o.noBackup = raw.Given("--no-backup");
  o.dryRun = raw.Given("--dry-run");
  o.fast = raw.Given("--fast");
  o.verify = !raw.Given("--no-verify");

  const bool device = IsDeviceCommand(o.command);
  if (device) {
    if (o.ports.empty() && environmentPort != nullptr && *environmentPort != '\0')
      o.ports.push_back(environmentPort);
    if (o.ports.empty())
      fail(std::string(info->name) + " needs --port NAME (or " + kPortVariable + ")");
    else if (o.ports.size() > 1 && !TakesSeveralPorts(o.command))
      fail("give --port once (several only for " + CommandList(kFleet) + ")");
    else if (o.ports.size() > 1 && !o.output.empty() && o.output.find("{port}") == std::string::npos)
      fail(std::string(info->name) + " on several ports needs -o FILE holding {port}");
    else if (o.ports.size() > 1 && o.command == CliCommand::kLoad && o.output.empty())
      fail("load on several ports needs -o FILE holding {port}");
  }
  const bool records = o.command == CliCommand::kRecords;
  const bool snapshot = o.command == CliCommand::kSnapshot;
  if ((records || snapshot) && o.output.empty()) fail(std::string(info->name) + " needs -o FILE");
  if (o.fast && !o.verify) fail("--fast always verifies; it does not go with --no-verify");
  if (raw.Given("--channel")) {
    const std::string channelText = raw.Last("--channel");
    const bool oneChannel = o.command == CliCommand::kSetInitial;
    if (!AllDigits(channelText) || channelText.size() > 2 || std::atoi(channelText.c_str()) > 30 ||
        (oneChannel && std::atoi(channelText.c_str()) < 1)) {
      fail("bad --channel '" + channelText + (oneChannel ? "' (1-30)" : "' (0 for all, or 1-30)"));
    } else {
      o.channel = std::atoi(channelText.c_str());
    }
  } else if (o.command == CliCommand::kSetInitial) {
    fail("set-initial needs --channel N");
  }
  if (raw.Given("--camera")) {
    const std::string cameraText = raw.Last("--camera");
    if (cameraText.size() != 1 || cameraText[0] < '1' || cameraText[0] > '4')
      fail("bad --camera '" + cameraText + "' (1-4)");
    else o.camera = cameraText[0] - '0';
  }
  if (records) {
    const std::string fromText = raw.Last("--from"), toText = raw.Last("--to");
    if (fromText.empty() || toText.empty()) {
      fail("records needs --from DATE and --to DATE");
    } else if (!ParseRecordDate(fromText, o.from)) {
      fail("bad --from '" + fromText + "' (YYYY/M/D or YYYY-MM-DD)");
    } else if (!ParseRecordDate(toText, o.to)) {
      fail("bad --to '" + toText + "' (YYYY/M/D or YYYY-MM-DD)");
    } else if (std::tie(o.from.year, o.from.month, o.from.day) >
               std::tie(o.to.year, o.to.month, o.to.day)) {
      fail("--from " + fromText + " is after --to " + toText);
    }
  }
  if (raw.Given("--encoding")) {
    o.encodingGiven = true;
    if (!ParseCfgEncoding(raw.Last("--encoding"), o.encoding))
      fail("bad --encoding '" + raw.Last("--encoding") + "' (gbk or utf-8)");
  }
  if (raw.Given("--jobs")) {
    const std::string jobsText = raw.Last("--jobs");
    const int jobs = AllDigits(jobsText) && jobsText.size() <= 2 ? std::atoi(jobsText.c_str()) : 0;
    if (jobs < 1 || jobs > kMaxJobs) fail("bad --jobs '" + jobsText + "' (1-" + std::to_string(kMaxJobs) + ")");
    else o.jobs = jobs;
  }
  if (raw.Given("--wait")) {
    const std::string waitText = raw.Last("--wait");
    const int seconds = AllDigits(waitText) && waitText.size() <= 5 ? std::atoi(waitText.c_str()) : -1;
    if (seconds < 0 || seconds > kMaxWaitSeconds)
      fail("bad --wait '" + waitText + "' (0-" + std::to_string(kMaxWaitSeconds) + " seconds)");
    else o.waitSeconds = seconds;
  }
  o.settings = raw.values["--set"];
  o.ignoreUnknown = raw.Given("--ignore-unknown");
  if (raw.Given("--time")) {
    const std::string timeText = raw.Last("--time");
    if (!ClockArgumentFromText(timeText, o.clockArgument))
      fail("bad --time '" + timeText + "' (YYYY/MM/DD,HH:MM:SS)");
  }
  return r;
}

std::string CliHelpText(CliCommand command) {
  const CliCommandInfo* info = command == CliCommand::kNone ? nullptr : InfoOf(command);
  if (info != nullptr) {
    std::string t = std::string("usage: qx310-cli ") + info->synopsis + "\n\n" + info->what;
    if (command == CliCommand::kFlash) {
      t += "\nThe device is first brought into the download tool's state (\"---\", up to three\n"
           "times, until it answers \"CMD OK\"); when it does not answer, the download starts\n"
           "all the same, as a device whose firmware is broken may still have its boot loader.\n";
    } else if (IsDeviceCommand(command)) {
      t += "\nThe device is first brought into its configuration state (\"---\", up to three\n"
           "times, until it answers \"CMD OK\").\n";
    }
    t += "\nOptions:\n";
    for (const CliOptionInfo& option : kOptions)
      if (Takes(option, command)) t += OptionHelp(option);
    t += "\n";
    t += kExitStatuses;
    return t;
  }
  std::string t =
      "usage: qx310-cli COMMAND [OPTIONS]\n"
      "Configures a QX310 telemetry terminal (RTU) over a serial line from the shell,\n"
      "and sends it new firmware.\n\n"
      "Commands:\n";
  for (const CliCommandInfo& c : kCommands) {
    std::string line = std::string("  ") + c.synopsis;
    if (line.size() < 56) line.resize(56, ' ');
    else line += "\n" + std::string(56, ' ');
    t += line + c.summary + "\n";
  }
  t += "\nOptions (before or after the command word; `qx310-cli help COMMAND` shows all of\n"
       "a command's options):\n";
  for (const CliOptionInfo& option : kOptions)
    if (option.global) t += OptionHelp(option);
  t += "\n";
  t += kExitStatuses;
  t += "\n";
  t += kTestingAid;
  return t;
}

std::string BashCompletionScript() {
  std::string commands, cases, valued;
  for (const CliCommandInfo& c : kCommands) {
    commands += (commands.empty() ? "" : " ") + std::string(c.name);
    std::string words;
    for (const CliOptionInfo& option : kOptions) {
      if (!Takes(option, c.command)) continue;
      words += " " + LongName(option);
      if (!ShortName(option).empty()) words += " " + ShortName(option);
    }
    cases += "    " + std::string(c.name) + ") opts=\"" + words.substr(words.empty() ? 0 : 1) + "\" ;;\n";
  }
  for (const CliOptionInfo& option : kOptions) {
    if (option.value == nullptr) continue;
    valued += (valued.empty() ? "" : "|") + LongName(option);
    if (!ShortName(option).empty()) valued += "|" + ShortName(option);
  }
  return "# bash completion for qx310-cli (made from its option declarations)\n"
         "_qx310_cli() {\n"
         "  local cur prev cmd i opts\n"
         "  cur=${COMP_WORDS[COMP_CWORD]}\n"
         "  prev=${COMP_WORDS[COMP_CWORD-1]}\n"
         "  case $prev in\n"
         "    --parity) COMPREPLY=($(compgen -W \"none odd even mark space\" -- \"$cur\")); return ;;\n"
         "    --encoding) COMPREPLY=($(compgen -W \"gbk utf-8\" -- \"$cur\")); return ;;\n"
         "    -p|--port) COMPREPLY=($(compgen -f -- \"${cur:-/dev/tty}\")); return ;;\n"
         "    " + valued + ") COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n"
         "  esac\n"
         "  cmd=\n"
         "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
         "    case ${COMP_WORDS[i]} in\n"
         "      -*) ;;\n"
         "      *) cmd=${COMP_WORDS[i]}; break ;;\n"
         "    esac\n"
         "  done\n"
         "  if [[ -z $cmd ]]; then\n"
         "    COMPREPLY=($(compgen -W \"" + commands + " --help --version\" -- \"$cur\"))\n"
         "    return\n"
         "  fi\n"
         "  case $cmd in\n" + cases +
         "    *) opts= ;;\n"
         "  esac\n"
         "  if [[ $cmd == help ]]; then\n"
         "    COMPREPLY=($(compgen -W \"" + commands + "\" -- \"$cur\"))\n"
         "  elif [[ $cur == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W \"$opts\" -- \"$cur\"))\n"
         "  else\n"
         "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "  fi\n"
         "}\n"
         "complete -o filenames -F _qx310_cli qx310-cli\n";
}

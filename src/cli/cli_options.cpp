#include "base/log_text.h"
#include "cli/cli_options.h"

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <tuple>

#include "config/station_clock.h"
#include "serial/serial_port.h"

namespace {

struct CommandInfo {
  CliCommand command;
  const char* name;
  const char* synopsis;
  const char* summary;  // one line for the overall help
  const char* what;
};

constexpr CommandInfo kCommands[] = {
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
     "UTF-8 text, to standard output. With several --port, each port in turn; FILE must\n"
     "then hold {port}, which becomes the port's name made file-name safe.\n"},
    {CliCommand::kApply, "apply",
     "apply --port NAME... [--dry-run] [--no-backup] [--fast] [--no-verify] FILE",
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
     "With several --port, each port in turn, then a table (port, result, parameters\n"
     "written, seconds); the exit status is the highest of the ports'.\n"},
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
    {CliCommand::kFlash, "flash", "flash --port NAME [--no-backup] FILE", "send a firmware image to the device",
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
     "3 when the port went away; 6 for a file that is no firmware image.\n"},
    {CliCommand::kRecords, "records",
     "records --port NAME [--channel N] --from DATE --to DATE -o FILE",
     "read stored records into a .csv file",
     "Reads the records the device stored for channel N (1-30; 0, the default, for all\n"
     "channels) from the first day 0:00 to the last day 23:55:55 (DATE: YYYY/M/D or\n"
     "YYYY-MM-DD) and writes them to FILE as the storage page saves them: comma-separated,\n"
     "a header line, code page 936 bytes. The number of records is shown as they arrive.\n"
     "The file is replaced completely or not at all; a failed read writes no file. A\n"
     "read still going after 20 minutes is ended and what came is written (with a note).\n"},
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

const CommandInfo* FindCommand(const std::string& name) {
  for (const CommandInfo& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

const CommandInfo* InfoOf(CliCommand command) {
  for (const CommandInfo& c : kCommands)
    if (c.command == command) return &c;
  return nullptr;
}

constexpr char kDeviceOptions[] =
    "Device options:\n"
    "  --port NAME        the device's serial port (required), e.g. /dev/ttyUSB0, COM3\n"
    "  --baud N           baud rate (default 115200)\n"
    "  --parity P         none, odd, even, mark or space (default none)\n"
    "  --log FILE         append the time-stamped log of the exchanges to FILE\n"
    "  --quiet, -q        print only results and errors\n"
    "  --no-backup        apply, factory-reset, flash: no backup of the device's values\n"
    "                     first (by default saved as a .cfg in QX310_BACKUP_DIR, else\n"
    "                     ~/.local/share/qx310-tools/backups; the newest 200 are kept)\n";

constexpr char kExitStatuses[] =
    "Exit status:\n"
    "  0  success\n"
    "  1  cancelled (factory-reset, clear-records, clear-backlog not confirmed; flash\n"
    "     stopped by Ctrl-C); for diff: the files differ\n"
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

// Options that take a value, in both forms "--opt VALUE" and "--opt=VALUE".
bool TakesValue(const std::string& name) {
  return name == "--port" || name == "--baud" || name == "--parity" || name == "--log" ||
         name == "-o" || name == "--output" || name == "--time" || name == "--channel" ||
         name == "--camera" || name == "--from" || name == "--to";
}

}  // namespace

bool TakesSeveralPorts(CliCommand command) {
  return command == CliCommand::kApply || command == CliCommand::kLoad;
}

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
  const CommandInfo* info = InfoOf(command);
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

CliParse ParseCliArgs(const std::vector<std::string>& args) {
  CliParse r;
  CliOptions& o = r.options;
  std::vector<std::string> positional;
  bool portGiven = false, baudGiven = false, parityGiven = false, outputGiven = false;
  bool timeGiven = false;
  std::string timeText;
  // Command-specific values, checked once the command is known.
  std::string channelText, cameraText, fromText, toText;
  auto fail = [&r](std::string message) {
    if (r.error.empty()) r.error = std::move(message);
  };

  for (size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    std::string value;
    bool hasValue = false;
    if (a.rfind("--", 0) == 0) {
      const size_t eq = a.find('=');
      if (eq != std::string::npos) {
        value = a.substr(eq + 1);
        a = a.substr(0, eq);
        hasValue = true;
        if (!TakesValue(a)) {
          fail("option " + a + " takes no value");
          continue;
        }
      }
    }
    if (TakesValue(a) && !hasValue) {
      if (i + 1 >= args.size()) {
        fail("option " + a + " needs a value");
        continue;
      }
      value = args[++i];
    }
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--quiet" || a == "-q") {
      o.quiet = true;
    } else if (a == "--dry-run") {
      o.dryRun = true;
    } else if (a == "--no-backup") {
      o.noBackup = true;
    } else if (a == "--yes" || a == "-y") {
      o.yes = true;
    } else if (a == "--fast") {
      o.fast = true;
    } else if (a == "--no-verify") {
      o.verify = false;
    } else if (a == "--port") {
      if (value.empty()) fail("--port needs a port name");
      o.ports.push_back(value);
      portGiven = true;
    } else if (a == "--baud") {
      if (!ParseBaud(value, o.baud)) fail("bad baud rate '" + value + "'");
      baudGiven = true;
    } else if (a == "--parity") {
      if (!ParseParity(value, o.parity)) fail("bad parity '" + value + "' (none, odd, even, mark, space)");
      parityGiven = true;
    } else if (a == "--log") {
      if (value.empty()) fail("--log needs a file name");
      o.logFile = value;
    } else if (a == "-o" || a == "--output") {
      if (value.empty()) fail(a + " needs a file name");
      o.output = value;
      outputGiven = true;
    } else if (a == "--time") {
      timeText = value;
      timeGiven = true;
    } else if (a == "--channel") {
      channelText = value.empty() ? "?" : value;
    } else if (a == "--camera") {
      cameraText = value.empty() ? "?" : value;
    } else if (a == "--from") {
      fromText = value.empty() ? "?" : value;
    } else if (a == "--to") {
      toText = value.empty() ? "?" : value;
    } else if (a.size() > 1 && a[0] == '-' &&
               !std::isdigit(static_cast<unsigned char>(a[1])) && a[1] != '.') {
      fail("unknown option " + a);  // "-1.5" is a value (set-initial)
    } else {
      positional.push_back(a);
    }
  }

  if (positional.empty()) {
    if (!o.help && !o.version && r.error.empty()) fail("no command given");
    o.command = CliCommand::kNone;
    return r;
  }
  const CommandInfo* info = FindCommand(positional[0]);
  if (info == nullptr) {
    fail("unknown command '" + positional[0] + "'");
    return r;
  }
  o.command = info->command;
  positional.erase(positional.begin());

  if (o.command == CliCommand::kHelp) {
    o.help = true;
    o.command = CliCommand::kNone;
    if (positional.size() > 1) fail("help takes one command name");
    if (positional.size() == 1) {
      const CommandInfo* about = FindCommand(positional[0]);
      if (about == nullptr) {
        fail("unknown command '" + positional[0] + "'");
      } else if (about->command != CliCommand::kHelp) {
        o.command = about->command;
      }
    }
    return r;
  }
  if (o.help) return r;  // `COMMAND --help` shows the command's help whatever else is given

  // Arguments and options each command accepts.
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
  const bool device = IsDeviceCommand(o.command);
  if (device) {
    if (!portGiven) fail(std::string(info->name) + " needs --port NAME");
    else if (o.ports.size() > 1 && !TakesSeveralPorts(o.command))
      fail("give --port once (several only for apply and load)");
    else if (o.ports.size() > 1 && o.command == CliCommand::kLoad &&
             o.output.find("{port}") == std::string::npos)
      fail("load on several ports needs -o FILE holding {port}");
  } else {
    if (baudGiven || parityGiven || !o.logFile.empty())
      fail(std::string(info->name) + " takes no --baud, --parity or --log");
  }
  if (o.dryRun && o.command != CliCommand::kApply) fail("--dry-run is an option of apply");
  const bool records = o.command == CliCommand::kRecords;
  const bool snapshot = o.command == CliCommand::kSnapshot;
  if (outputGiven && o.command != CliCommand::kLoad && !records && !snapshot)
    fail("-o is an option of load, records and snapshot");
  if ((records || snapshot) && !outputGiven) fail(std::string(info->name) + " needs -o FILE");
  if (o.yes && o.command != CliCommand::kFactoryReset && o.command != CliCommand::kClearRecords &&
      o.command != CliCommand::kClearBacklog)
    fail("--yes is an option of factory-reset, clear-records and clear-backlog");
  if (o.noBackup && o.command != CliCommand::kApply && o.command != CliCommand::kFactoryReset &&
      o.command != CliCommand::kFlash)
    fail("--no-backup is an option of apply, factory-reset and flash");
  if ((o.fast || !o.verify) && o.command != CliCommand::kApply)
    fail("--fast and --no-verify are options of apply");
  if (o.fast && !o.verify) fail("--fast always verifies; it does not go with --no-verify");
  if (!channelText.empty()) {
    const bool oneChannel = o.command == CliCommand::kSetInitial;
    if (!records && !oneChannel && o.command != CliCommand::kClearRecords) {
      fail("--channel is an option of records, clear-records and set-initial");
    } else if (!AllDigits(channelText) || channelText.size() > 2 ||
               std::atoi(channelText.c_str()) > 30 ||
               (oneChannel && std::atoi(channelText.c_str()) < 1)) {
      fail("bad --channel '" + channelText + (oneChannel ? "' (1-30)" : "' (0 for all, or 1-30)"));
    } else {
      o.channel = std::atoi(channelText.c_str());
    }
  } else if (o.command == CliCommand::kSetInitial) {
    fail("set-initial needs --channel N");
  }
  if (!cameraText.empty()) {
    if (!snapshot) fail("--camera is an option of snapshot");
    else if (cameraText.size() != 1 || cameraText[0] < '1' || cameraText[0] > '4')
      fail("bad --camera '" + cameraText + "' (1-4)");
    else o.camera = cameraText[0] - '0';
  }
  if (!fromText.empty() || !toText.empty() || records) {
    if (!records) {
      fail("--from and --to are options of records");
    } else if (fromText.empty() || toText.empty()) {
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
  if (timeGiven) {
    if (o.command != CliCommand::kSetClock) {
      fail("--time is an option of set-clock");
    } else if (!ClockArgumentFromText(timeText, o.clockArgument)) {
      fail("bad --time '" + timeText + "' (YYYY/MM/DD,HH:MM:SS)");
    }
  }
  return r;
}

std::string CliHelpText(CliCommand command) {
  const CommandInfo* info = command == CliCommand::kNone ? nullptr : InfoOf(command);
  if (info != nullptr) {
    std::string t = std::string("usage: qx310-cli ") + info->synopsis + "\n\n" + info->what;
    if (command == CliCommand::kFlash) {
      t += "\nThe device is first brought into the download tool's state (\"---\", up to three\n"
           "times, until it answers \"CMD OK\"); when it does not answer, the download starts\n"
           "all the same, as a device whose firmware is broken may still have its boot loader.\n\n";
      t += kDeviceOptions;
    } else if (IsDeviceCommand(command)) {
      t += "\nThe device is first brought into its configuration state (\"---\", up to three\n"
           "times, until it answers \"CMD OK\").\n\n";
      t += kDeviceOptions;
    } else if (command != CliCommand::kHelp) {
      t += "\n  --quiet, -q        print only results and errors\n";
    }
    t += "\n";
    t += kExitStatuses;
    return t;
  }
  std::string t =
      "usage: qx310-cli COMMAND [OPTIONS]\n"
      "Configures a QX310 telemetry terminal (RTU) over a serial line from the shell,\n"
      "and sends it new firmware.\n\n"
      "Commands:\n";
  for (const CommandInfo& c : kCommands) {
    std::string line = std::string("  ") + c.synopsis;
    if (line.size() < 56) line.resize(56, ' ');
    else line += "\n" + std::string(56, ' ');
    t += line + c.summary + "\n";
  }
  t += "\n";
  t += kDeviceOptions;
  t += "  --help, -h         this text; with a command, the command's help\n";
  t += "  --version          the program's version\n\n";
  t += kExitStatuses;
  t += "\n";
  t += kTestingAid;
  return t;
}

// The commands. Each device command opens the port, brings the device into its
// configuration state with the link machine's entry, and runs the configuration
// machine's operation; how the operation ended comes from the machine's outcome, and
// the bytes the device sent meanwhile tell silence from refusal.
#include "cli/cli_commands.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/app_options.h"
#include "base/atomic_file.h"
#include "base/cp936.h"
#include "base/utf8_path.h"
#include "cli/cli_device.h"
#include "cli/cli_flash.h"
#include "cli/cli_fleet.h"
#include "cli/cli_interrupt.h"
#include "cli/cli_json.h"
#include "cli/cli_output.h"
#include "cli/cli_ports.h"
#include "cli/cli_records.h"
#include "cli/cli_status.h"
#include "cli/cli_view.h"
#include "config/cfg_log.h"
#include "config/cfg_machine.h"
#include "config/picture_reader.h"
#include "config/record_reader.h"
#include "download/block_frame.h"
#include "download/download_log.h"
#include "protocol/backup.h"
#include "protocol/exchange.h"
#include "protocol/listing.h"
#include "protocol/param_table.h"
#include "serial/port_identity.h"
#include "serial/port_list.h"

namespace {

std::string CommandLineOf(int id) {
  std::string line;
  FormatCommandLine(id, 0, line);
  return line;
}

std::string WithoutLineEnd(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

// The commands that Ctrl-C and SIGTERM end after the command in flight, with a summary.
// --wait: how often a port that does not open yet is tried again.
constexpr int kWaitRetryMs = 250;

// The end of a --wait, from when it is made.
class WaitLimit {
 public:
  explicit WaitLimit(int seconds)
      : end_(std::chrono::steady_clock::now() + std::chrono::seconds(seconds)) {}
  bool Waiting() const { return std::chrono::steady_clock::now() < end_; }

 private:
  std::chrono::steady_clock::time_point end_;
};

bool Interruptible(CliCommand command) {
  return command == CliCommand::kApply || command == CliCommand::kLoad ||
         command == CliCommand::kRecords || command == CliCommand::kSnapshot ||
         command == CliCommand::kFlash;
}

// What apply's --json rows say of a write.
const char* WriteResultText(const std::optional<bool>& ok) {
  return !ok ? "not sent" : *ok ? "ok" : "failed";
}

class Session {
 public:
  Session(const CliOptions& o, CliOutput& out)
      : o_(o),
        out_(out),
        view_(out, log_),
        linkView_(out, view_),
        downloadView_(out, log_, out.ErrIsTerminal()),
        device_(view_, linkView_) {
    SetTableFromDevice(false);  // nothing read from this device yet
    if (Interruptible(o_.command)) device_.SetHaltFlag(&CliInterruptFlag());
  }

  int Run();
  // Parameters apply wrote; -1 for the other commands.
  int Written() const { return written_; }
  // --json: what the command printed, as fields.
  const CliJson& Json() const { return json_; }

 private:
  int Ports();
  int Detect();
  int Load();
  int Apply();
  int Diff();
  // apply --dry-run once the pages show the device's values: the plan of FILE printed.
  int DryRun(const std::string& text);
  // The rows of a plan, one line each; their number.
  int PrintPlan(const WritePlan& plan);
  int Query(int op, int commandId);
  int Modem(int op);
  int FactoryReset();
  int SetClock();
  int Flash();
  int Records();
  int Snapshot();
  // clear-records, clear-backlog, set-initial: the storage page's request, carried out
  // by the idle machine as operation op; its tip is the result.
  int StorageRequest(CfgRequest request, const std::string& argument, const std::string& what,
                     int op);
  // The message and status of a record read or snapshot that failed.
  int FailedRead(const std::string& what);
  // -o FILE's folder exists (checked before the device is touched): kExitOk or kExitFile.
  int CheckOutput();

  // Log file, port, configuration entry: kExitOk or the status to exit with.
  int Connect();
  // Log file (starting with banner) and port: kExitOk or the status to exit with.
  int OpenLink(const std::string& banner);
  // Starts op as its button does (start: the machine's start call; by default
  // StartOperation) and runs it until the machine rests. Its outcome, or a failed one
  // when the machine did not take it.
  CfgOutcome RunOperation(int op, const std::function<bool()>& start = {});
  // Runs the load operation; its outcome.
  CfgOutcome LoadParameters();
  // Before a write (what): the device's values backed up, unless --no-backup; for
  // readFirst, read from the device first. kExitOk, or the status to exit with.
  int BackUp(const std::string& what, bool readFirst);
  // What the line showed while the last operation ran.
  LineSigns Signs() const { return {device_.Vanished(), device_.OperationBytes() > 0}; }
  // The message for a status other than kExitOk; returns the status.
  int Failed(const std::string& what, int status);
  // A .cfg FILE (apply's, diff's), read, decoded to code page 936, checked and given the
  // settings (--set) before the device is touched.
  int ReadCfgInput(const std::string& path, std::string& text,
                   const std::vector<std::string>& settings = {});
  // --yes, or "y" on the terminal to question (for command): true to go on.
  bool Confirmed(const std::string& command, const std::string& question);
  // Ctrl-C or SIGTERM came during an interruptible command.
  bool Interrupted() const { return Interruptible(o_.command) && CliInterrupted(); }
  // The message for an interruption (what: what was under way); kExitCancelled.
  int Cancelled(const std::string& what);
  const std::string& Port() const { return o_.ports.front(); }

  const CliOptions& o_;
  CliOutput& out_;
  CliLogFile log_;
  CliCfgView view_;
  CliLinkView linkView_;
  CliDownloadView downloadView_;  // outlives the device's download machine
  CliDevice device_;
  int written_ = -1;
  CliJson json_ = CliJson::object();
};

int Session::Cancelled(const std::string& what) {
  const char* left = o_.command == CliCommand::kApply   ? "; nothing written"
                     : o_.command == CliCommand::kFlash ? "; the image was not sent"
                     : !o_.output.empty()               ? "; no file written"
                                                        : "";
  out_.Error(what + " cancelled (interrupted)" + left);
  json_["cancelled"] = true;
  return kExitCancelled;
}

int Session::Run() {
  if (IsDeviceCommand(o_.command)) json_["port"] = Port();
  // An interruption before this port's turn (several --port) ends it before it starts.
  if (Interrupted()) return Cancelled(CliCommandName(o_.command));
  int status = kExitUsage;
  switch (o_.command) {
    case CliCommand::kPorts: return Ports();
    case CliCommand::kDetect: return Detect();
    case CliCommand::kLoad: status = Load(); break;
    case CliCommand::kApply: status = Apply(); break;
    case CliCommand::kDiff: return Diff();
    case CliCommand::kVersion: status = Query(kOpQueryVersion, kCmdVer); break;
    case CliCommand::kRestart: status = Query(kOpRestartDevice, kCmdReset); break;
    case CliCommand::kSignal: status = Modem(kOpQuerySignal); break;
    case CliCommand::kImei: status = Modem(kOpQueryImei); break;
    case CliCommand::kFactoryReset: status = FactoryReset(); break;
    case CliCommand::kSetClock: status = SetClock(); break;
    case CliCommand::kFlash: status = Flash(); break;
    case CliCommand::kRecords: status = Records(); break;
    case CliCommand::kSnapshot: status = Snapshot(); break;
    case CliCommand::kClearRecords:
      if (!Confirmed("clear-records", "Delete the records stored on the device on " + Port() + "?"))
        return kExitCancelled;
      status = StorageRequest(CfgRequest::ClearRecords, std::to_string(o_.channel),
                              "deleting the records", kOpClearChannelRecords);
      break;
    case CliCommand::kClearBacklog:
      if (!Confirmed("clear-backlog", "Delete the unsent reports on the device on " + Port() + "?"))
        return kExitCancelled;
      status = StorageRequest(CfgRequest::ClearBacklog, "1", "deleting the backlog",
                              kOpClearBacklog);
      break;
    case CliCommand::kSetInitial: {
      char channel[8];
      std::snprintf(channel, sizeof channel, "%02d=", o_.channel);
      status = StorageRequest(CfgRequest::InitValue, channel + o_.initialValue,
                              "setting the initial value", kOpSetInitialValue);
      break;
    }
    default: break;
  }
  if (status == kExitOk && !log_.Good()) {
    out_.Error("writing the log file " + o_.logFile + " failed");
    status = kExitFile;
  }
  return status;
}

int Session::Ports() {
  const std::vector<SerialPortInfo> known = ListSerialPortInfos();
  std::vector<std::string> system;
  for (const SerialPortInfo& info : known) system.push_back(info.name);
  const std::vector<std::string> ports = ComposePortList({}, system, o_.ports);
  if (ports.empty()) out_.Progress("no serial ports found");
  // As the port list shows them: the path, the adapter, its serial number.
  CliJson rows = CliJson::array();
  for (const std::string& p : ports) {
    const auto info = std::find_if(known.begin(), known.end(), [&](const SerialPortInfo& i) { return i.name == p; });
    std::string line = p;
    if (info != known.end()) {
      if (const std::string about = PortAbout(*info); !about.empty()) line += "  " + about;
      if (!info->serial.empty()) line += "  serial " + info->serial;
    }
    out_.Result(line);
    rows.push_back(PortJson(info != known.end() ? *info : SerialPortInfo{.name = p}));
  }
  json_["ports"] = std::move(rows);
  return kExitOk;
}

int Session::Detect() {
  // --wait: searched again, over the ports listed anew, until a device answers or the
  // time is up (a search under way runs to its end).
  const WaitLimit wait(o_.waitSeconds);
  std::vector<std::string> ports;
  std::string found;
  for (bool first = true; first || (found.empty() && wait.Waiting()); first = false) {
    if (!first) std::this_thread::sleep_for(std::chrono::milliseconds(kWaitRetryMs));
    ports = ComposePortList({}, ListSerialPorts(), o_.ports);
    if (ports.empty()) continue;
    out_.Progress("Searching " + std::to_string(ports.size()) + " port(s) for the device ...");
    found = device_.Detect(ports);
  }
  if (ports.empty()) {
    out_.Error("no serial ports to search (name one with --port)");
    return kExitNoAnswer;
  }
  json_["searched"] = ports;
  json_["port"] = found;
  if (found.empty()) {
    std::string list;
    for (const std::string& p : ports) list += (list.empty() ? "" : ", ") + p;
    out_.Error("no device answered on " + list);
    return kExitNoAnswer;
  }
  out_.Result(found);
  return kExitOk;
}

int Session::OpenLink(const std::string& banner) {
  std::string reason;
  if (!o_.logFile.empty() && !log_.Open(o_.logFile, reason, banner)) {
    out_.Error("cannot open the log file " + o_.logFile + ": " + reason);
    return kExitFile;
  }
  bool denied = false;
  // --wait: the port may not be there yet (plugged in, or coming back after a reset).
  const WaitLimit wait(o_.waitSeconds);
  bool opened, told = false;
  while (!(opened = device_.Open(Port(), o_.baud, o_.parity, reason, denied)) && wait.Waiting()) {
    if (Interrupted()) return Cancelled(CliCommandName(o_.command));
    if (!std::exchange(told, true))
      out_.Progress("Waiting up to " + std::to_string(o_.waitSeconds) + " s for " + Port() + " ...");
    std::this_thread::sleep_for(std::chrono::milliseconds(kWaitRetryMs));
  }
  if (!opened) {
    if (reason.empty()) reason = "unknown error";
    if (denied) reason += " (no permission: add the user to the dialout group)";
    out_.Error("cannot open " + Port() + ": " + reason);
    return kExitPort;
  }
  return kExitOk;
}

int Session::Connect() {
  if (int status = OpenLink(CfgLog::Banner()); status != kExitOk) return status;
  out_.Progress("Entering the configuration state on " + Port() + " ...");
  device_.EnterConfig();
  const std::optional<LinkOutcome>& entry = linkView_.Outcome();
  const int status = entry ? ExitStatusOf(*entry, Signs()) : kExitNoAnswer;
  if (status != kExitPort && Interrupted()) return Cancelled(CliCommandName(o_.command));
  if (status == kExitPort) {
    out_.Error("the port " + Port() + " went away");
  } else if (status != kExitOk && device_.EntryAnsweredCmdError()) {
    // "CMD ERROR" is an answer: the line and the baud rate work.
    out_.Error("the device on " + Port() + " answers \"CMD ERROR\" to \"---\": it is already in "
               "its configuration state or another device; restart it (power) and try again");
  } else if (status != kExitOk) {
    out_.Error("the device on " + Port() + " does not answer (no \"CMD OK\" to \"---\"); check "
               "the port (qx310-cli detect), the baud rate (-b) and the device's power");
  }
  return status;
}

int Session::Failed(const std::string& what, int status) {
  if (status == kExitPort) {
    out_.Error(what + ": the port " + Port() + " went away");
  } else if (status == kExitNoAnswer) {
    out_.Error(what + ": the device does not answer");
  } else if (status != kExitOk) {
    out_.Error(what + ": the device refused it");
  }
  return status;
}

CfgOutcome Session::RunOperation(int op, const std::function<bool()>& start) {
  view_.ClearOutcome();
  device_.ResetOperationBytes();
  const bool started = start ? start() : device_.Machine().StartOperation(op);
  if (started) device_.RunToRest();
  return view_.LastOutcome().value_or(CfgOutcome{.op = op, .end = CfgEnd::kFailed});
}

CfgOutcome Session::LoadParameters() {
  out_.Progress("Loading the parameters ...");
  return RunOperation(kOpLoadAll);
}

// The output is written after the device has been read: its folder is checked first,
// so that a mistyped path does not cost a whole read.
int Session::CheckOutput() {
  if (o_.output.empty() || o_.output == kStandardOutput) return kExitOk;
  std::error_code ec;
  const std::filesystem::path out = PathFromUtf8(o_.output);
  const std::filesystem::path folder = out.has_parent_path() ? out.parent_path() : ".";
  if (!std::filesystem::is_directory(folder, ec) || std::filesystem::is_directory(out, ec)) {
    out_.Error("cannot write " + o_.output + ": no such folder, or it is a folder");
    return kExitFile;
  }
  return kExitOk;
}

int Session::Load() {
  if (int status = CheckOutput(); status != kExitOk) return status;
  if (int status = Connect(); status != kExitOk) return status;
  const CfgOutcome load = LoadParameters();
  if (Interrupted() && !device_.Vanished()) return Cancelled("load");
  const int loaded = ExitStatusOf(load, Signs());
  if (loaded != kExitOk) return Failed("loading the parameters", loaded);
  json_["parameters"] = ParametersJson();
  // Code page 936 in a file (and its bytes to "-o -"), UTF-8 on the terminal, unless
  // --encoding says otherwise.
  const CfgEncoding encoding =
      o_.encodingGiven ? o_.encoding : o_.output.empty() ? CfgEncoding::kUtf8 : CfgEncoding::kGbk;
  const std::string listing =
      encoding == CfgEncoding::kUtf8 ? DeviceToUtf8(BuildListing()) : BuildListing();
  if (o_.output.empty()) {
    if (!out_.Json()) out_.ResultBytes(listing);
    return kExitOk;
  }
  json_["file"] = o_.output;
  std::string error;
  if (!WriteOutputFile(out_, o_.output, listing, &error)) {
    out_.Error("cannot write " + (error.empty() ? o_.output : error));
    return kExitFile;
  }
  out_.Progress("Wrote the parameters to " +
                (o_.output == kStandardOutput ? std::string("standard output") : o_.output));
  return kExitOk;
}

int Session::BackUp(const std::string& what, bool readFirst) {
  if (o_.noBackup) return kExitOk;
  if (readFirst) {
    const int loaded = ExitStatusOf(LoadParameters(), Signs());
    if (Interrupted() && !device_.Vanished()) return Cancelled(what);
    if (loaded != kExitOk) return Failed("reading the parameters to back them up (--no-backup skips it)", loaded);
  }
  BackupGuard guard(true);
  std::string why;
  if (!guard.Before(TableFromDevice(), Port(), [this](const std::string& line) { log_.Append(line); },
                    &why)) {
    out_.Error("cannot write the backup (" + guard.LastError() + "); " + what +
               " not started (--no-backup skips the backup)");
    return kExitFile;
  }
  out_.Progress("Backed up the device's values to " + guard.LastPath());
  return kExitOk;
}

int Session::ReadCfgInput(const std::string& path, std::string& text,
                          const std::vector<std::string>& settings) {
  errno = 0;
  std::string bytes;
  switch (ReadCfgFile(path, bytes)) {
    case CfgFileResult::Ok: break;
    case CfgFileResult::CannotOpen:
      out_.Error("cannot read " + path + ": " +
                 (errno != 0 ? std::strerror(errno) : "not a regular file"));
      return kExitFile;
    case CfgFileResult::Empty:
      out_.Error(path + " is empty");
      return kExitFile;
    case CfgFileResult::TooLarge:
      out_.Error(path + " is larger than " + std::to_string(kCfgFileMaxBytes) + " bytes");
      return kExitFile;
    default:
      out_.Error("cannot read " + path);
      return kExitFile;
  }
  CfgText decoded;
  std::string error;
  if (!DecodeCfgBytes(bytes, o_.encoding, decoded, error)) {
    out_.Error(path + " " + error);
    return kExitFile;
  }
  if (decoded.utf8 && !o_.encodingGiven) out_.Progress("Reading " + path + " as UTF-8");
  text = std::move(decoded.gbk);
  // A file without a single parameter line is not a configuration file: refused before
  // the device is touched (whatever else it holds). The table is empty again afterwards;
  // the load fills it.
  const bool known = ParseListing(text.data(), static_cast<int>(text.size())) != 0;
  ResetParamValues();
  if (!known) {
    out_.Error(path + " holds no parameter (no line \"label  value\" of the listing)");
    return kExitFile;
  }
  const std::vector<UnknownLabel> unknown = UnknownLabels(text);
  for (const UnknownLabel& u : unknown) {
    const std::string line = path + " line " + std::to_string(u.line) + ": unknown label \"" +
                             DeviceToUtf8(u.label) + "\"";
    if (o_.ignoreUnknown) out_.Progress(line + " (ignored)");
    else out_.Error(line);
  }
  if (!unknown.empty() && !o_.ignoreUnknown) {
    out_.Error(std::to_string(unknown.size()) + " line(s) of " + path +
               " not understood; nothing sent (--ignore-unknown goes on without them)");
    return kExitFile;
  }
  for (const std::string& setting : settings) {
    if (!ApplySetting(setting, text, error)) {
      out_.Error(error);
      return kExitUsage;
    }
  }
  return kExitOk;
}

int Session::Apply() {
  std::string text;
  if (int status = ReadCfgInput(o_.input, text, o_.settings); status != kExitOk) return status;
  if (int status = Connect(); status != kExitOk) return status;
  const CfgOutcome load = LoadParameters();
  if (Interrupted() && !device_.Vanished()) return Cancelled("apply");
  const int loaded = ExitStatusOf(load, Signs());
  if (loaded != kExitOk) return Failed("loading the parameters", loaded);
  // The pages now show the device's values; the file's values go into the table.
  view_.ShowTableOnPages();
  if (o_.dryRun) return DryRun(text);
  if (int status = BackUp("apply", false); status != kExitOk) return status;

  // What will be sent, row by row, and each row's last outcome.
  const WritePlan plan = device_.Machine().PlanWriteFromFile(text).value_or(WritePlan{});
  std::map<std::pair<int, int>, bool> results;
  std::vector<std::pair<int, int>> unplanned;  // written, though the plan did not show them
  view_.SetWriteObserver([&](int id, int index, const std::string& sent, bool ok, bool final) {
    const std::string line = DeviceToUtf8(WithoutLineEnd(sent));
    if (!final) {
      out_.Progress(line + ": no OK; recovering, then sending it again");
      return;
    }
    out_.Result(std::string(ok ? "ok      " : "failed  ") + line);
    if (results.emplace(std::make_pair(id, index), ok).second) {
      bool planned = false;
      for (const WritePlanRow& row : plan) planned = planned || (row.id == id && row.index == index);
      if (!planned) unplanned.emplace_back(id, index);
    }
    results[{id, index}] = ok;
  });
  out_.Progress("Writing the values of " + o_.input + " that differ from the device's ...");
  device_.Machine().SetWriteOptions(o_.verify, o_.fast);
  bool started = false;
  const CfgOutcome outcome = RunOperation(kOpWriteFromFile, [&] {
    started = device_.Machine().StartWriteFromFile(text);
    return started;
  });
  view_.SetWriteObserver({});
  if (!started) {
    out_.Error("the configuration machine is busy");
    return kExitRefused;
  }

  written_ = outcome.written;
  CliJson rows = CliJson::array();
  int notSent = 0;
  auto addRow = [&](CliJson row, int id, int index) {
    const auto it = results.find({id, index});
    const std::optional<bool> ok = it == results.end() ? std::nullopt : std::optional(it->second);
    if (!ok) ++notSent;
    row["result"] = WriteResultText(ok);
    rows.push_back(std::move(row));
  };
  for (const WritePlanRow& row : plan) addRow(PlanRowJson(row), row.id, row.index);
  for (const auto& [id, index] : unplanned) {
    WritePlanRow row;
    row.id = id;
    row.index = index;
    if (const ParamEntry* entry = FindParam(id)) row.newValue = GetRawValue(*entry, index);
    CliJson j = PlanRowJson(row);
    j.erase("from");
    addRow(std::move(j), id, index);
  }
  json_["rows"] = std::move(rows);
  json_["written"] = outcome.written;
  json_["failed"] = outcome.failed;
  json_["verified"] = outcome.verified;
  if (outcome.halted) json_["cancelled"] = true;
  if (outcome.halted) {
    out_.Result("apply: " + std::to_string(outcome.written) + " written, " +
                std::to_string(outcome.failed) + " failed, " + std::to_string(notSent) +
                " cancelled");
  } else if (outcome.written + outcome.failed == 0) {
    out_.Result("apply: nothing to write; the device holds the file's values");
  } else {
    out_.Result("apply: " + std::to_string(outcome.written) + " written, " +
                std::to_string(outcome.failed) + " failed");
  }
  json_["fellBack"] = outcome.fellBack;
  CliJson differs = CliJson::array();
  for (const WriteDifference& d : outcome.differences) differs.push_back(DifferenceJson(d));
  json_["differs"] = std::move(differs);
  if (outcome.fellBack)
    out_.Result("apply: fast writing fell back to the normal pause after a failed write");
  for (const WriteDifference& d : outcome.differences) {
    out_.Result("differs " + DeviceToUtf8(d.label) + " sent " + DeviceToUtf8(d.sent) +
                ", device holds " + DeviceToUtf8(d.held));
  }
  if (outcome.verified) {
    out_.Result(outcome.differences.empty()
                    ? "apply: verified, the device holds every written value"
                    : "apply: verification found " + std::to_string(outcome.differences.size()) +
                          " value(s) the device does not hold");
  } else if (o_.verify && outcome.written > 0 && outcome.failed == 0 && !outcome.halted) {
    out_.Result("apply: not verified; the parameters could not be read back");
  }
  const int status = ExitStatusOf(outcome, Signs());
  if (status == kExitPort) {
    out_.Error("the port " + Port() + " went away");
  } else if (outcome.halted) {
    out_.Error("apply interrupted after " + std::to_string(outcome.written + outcome.failed) +
               " write(s); " + std::to_string(notSent) +
               " not sent (apply the file again to send the rest)");
    return kExitCancelled;
  } else if (status != kExitOk && outcome.failed > 0) {
    out_.Error(std::to_string(outcome.failed) + " write(s) failed");
  } else if (status != kExitOk) {
    out_.Error("the written values could not be verified");
  }
  return status;
}

int Session::PrintPlan(const WritePlan& plan) {
  for (const WritePlanRow& row : plan)
    out_.Result(DeviceToUtf8(row.label + ": " + row.deviceValue + " -> " + row.newValue));
  json_["rows"] = PlanRowsJson(plan);
  return static_cast<int>(plan.size());
}

int Session::DryRun(const std::string& text) {
  const std::optional<WritePlan> plan = device_.Machine().PlanWriteFromFile(text);
  if (!plan) {
    out_.Error("the configuration machine is busy");
    return kExitRefused;
  }
  if (PrintPlan(*plan) == 0) {
    out_.Result("apply --dry-run: nothing to write; the device holds the file's values");
  } else {
    out_.Result("apply --dry-run: " + std::to_string(plan->size()) + " to write; nothing sent");
  }
  return kExitOk;
}

// No device: A's values stand for the device's (on the pages), B's go into the table
// on top of them, and the plan is what applying B would write.
int Session::Diff() {
  std::string a, b;
  if (int status = ReadCfgInput(o_.input, a); status != kExitOk) return status;
  if (int status = ReadCfgInput(o_.other, b); status != kExitOk) return status;
  ParseListing(a.data(), static_cast<int>(a.size()));
  view_.ShowTableOnPages();
  ParseListing(b.data(), static_cast<int>(b.size()));
  WritePlan plan;
  view_.WithPages([&](ICfgPageAccess& pages) {
    plan = PlanWrite(WriteSource::kTable, [&](int id, int k) { return pages.SaveToTable(id, k); });
  });
  ResetParamValues();
  return PrintPlan(plan) == 0 ? kExitOk : kExitDiffer;
}

// version (AT+VER) and restart (AT+RESET): the outcome carries the device's reply.
int Session::Query(int op, int commandId) {
  if (int status = Connect(); status != kExitOk) return status;
  const std::string line = CommandLineOf(commandId);
  const CfgOutcome outcome = RunOperation(op);
  const int status = ExitStatusOf(outcome, Signs());
  if (status != kExitOk) return Failed(WithoutLineEnd(line), status);
  const std::string answer = AnswerLines(outcome.reply, line);
  if (commandId == kCmdReset) out_.Progress("The device restarts.");
  if (!answer.empty()) out_.Result(DeviceToUtf8(answer));
  json_[commandId == kCmdVer ? "version" : "answer"] = DeviceToUtf8(answer);
  return kExitOk;
}

// signal and imei: the workspace's sequence out of the configuration state into the
// modem and back; the outcome carries the query's reply.
int Session::Modem(int op) {
  if (int status = Connect(); status != kExitOk) return status;
  const std::string line = CommandLineOf(op == kOpQuerySignal ? kCmdCsq : kCmdGsn);
  const CfgOutcome outcome = RunOperation(op);
  const int status = ExitStatusOf(outcome, Signs());
  if (status != kExitOk) return Failed(WithoutLineEnd(line), status);
  out_.Result(DeviceToUtf8(AnswerLines(outcome.reply, line)));
  json_[op == kOpQuerySignal ? "signal" : "imei"] = DeviceToUtf8(AnswerLines(outcome.reply, line));
  json_["backInConfig"] = outcome.backInConfig;
  if (!outcome.backInConfig)
    out_.Progress("note: the device did not confirm its return to the configuration state");
  return kExitOk;
}

bool Session::Confirmed(const std::string& command, const std::string& question) {
  if (o_.yes) return true;
  if (!out_.InIsTerminal()) {
    out_.Error(command + " not confirmed (no terminal to ask; use --yes)");
    return false;
  }
  out_.Prompt(question + " [y/N] ");
  char answer[32] = {0};
  if (std::fgets(answer, sizeof answer, stdin) == nullptr) answer[0] = '\0';
  const std::string a = WithoutLineEnd(answer);
  if (a == "y" || a == "Y" || a == "yes" || a == "YES" || a == "Yes") return true;
  out_.Error(command + " not confirmed");
  return false;
}

int Session::FactoryReset() {
  // Asked before the port is opened, so that a "no" sends nothing.
  if (!Confirmed("factory-reset", "Restore the factory settings of the device on " + Port() + "?"))
    return kExitCancelled;
  view_.SetConfirmation(true);
  if (int status = Connect(); status != kExitOk) return status;
  if (int status = BackUp("factory reset", true); status != kExitOk) return status;
  // On success the machine goes on with the load: its outcome ends the operation.
  const CfgOutcome outcome =
      RunOperation(kOpFactoryReset, [this] { return device_.Machine().StartFactoryReset(); });
  const int status = ExitStatusOf(outcome, Signs());
  if (outcome.op == kOpFactoryReset && status != kExitOk)
    return Failed("factory reset (switch the device off and on, then run it again)", status);
  if (status != kExitOk) return Failed("reading the parameters after the factory reset", status);
  out_.Result("factory settings restored");
  json_["restored"] = true;
  return kExitOk;
}

int Session::SetClock() {
  if (int status = Connect(); status != kExitOk) return status;
  // The computer's time is taken now that the device is ready for it.
  const std::string argument = o_.clockArgument.empty() ? ClockArgumentNow() : o_.clockArgument;
  // The clock page's request, which the idle worker takes.
  const CfgOutcome outcome = RunOperation(kOpSetClock, [&] {
    device_.Machine().Requests().Set(CfgRequest::Clock, argument);
    device_.RunPendingRequest();
    return true;
  });
  const int status = ExitStatusOf(outcome, Signs());
  if (status != kExitOk) return Failed("setting the clock to " + argument, status);
  out_.Result("clock set to " + argument);
  json_["clock"] = argument;
  return kExitOk;
}

// flash: the download page's start as the main window reaches it: the image is read
// and checked first (nothing is sent for a bad file), the port opened, the download
// tool entered ("---" until "CMD OK"; like the page, the download goes on when the
// entry fails), then the download machine runs until the image went through.
int Session::Flash() {
  std::vector<uint8_t> image;
  if (int status = LoadFlashImage(o_.input, out_, image); status != kExitOk) return status;
  if (int status = OpenLink(DownloadLog::Banner()); status != kExitOk) return status;
  out_.Progress("Entering the download tool on " + Port() + " ...");
  if (!device_.EnterTool(LinkTool::kDownload)) {
    if (device_.Vanished()) {
      out_.Error("the port " + Port() + " went away");
      return kExitPort;
    }
    out_.Progress("The device does not answer \"---\"; trying to restart it all the same");
    if (!o_.noBackup) out_.Progress("No backup: the device does not answer with its values");
  } else if (int status = BackUp("the download", true); status != kExitOk) {
    return status;
  }
  const size_t bytes = image.size();
  const int status = FlashImage(device_, downloadView_, std::move(image), out_, Port());
  json_["bytes"] = bytes;
  json_["blocks"] = boot::BlockCount(static_cast<uint32_t>(bytes));
  json_["completed"] = status == kExitOk;
  return status;
}

int Session::StorageRequest(CfgRequest request, const std::string& argument,
                            const std::string& what, int op) {
  if (int status = Connect(); status != kExitOk) return status;
  // The page's request, which the idle worker takes.
  const CfgOutcome outcome = RunOperation(op, [&] {
    device_.Machine().Requests().Set(request, argument);
    device_.RunPendingRequest();
    return true;
  });
  const int status = ExitStatusOf(outcome, Signs());
  if (status != kExitOk) return Failed(what, status);
  out_.Result(DeviceToUtf8(TipOf(outcome)));
  json_["tip"] = DeviceToUtf8(TipOf(outcome));
  return kExitOk;
}

int Session::FailedRead(const std::string& what) {
  return Failed(what, ExitStatusOf(CfgOutcome{.end = CfgEnd::kFailed}, Signs()));
}

int Session::Records() {
  if (int status = CheckOutput(); status != kExitOk) return status;
  if (int status = Connect(); status != kExitOk) return status;
  const int status = ReadRecordsToFile(device_, o_, out_, out_.ErrIsTerminal(),
                                       [this](const std::string& what) { return FailedRead(what); });
  json_["records"] = device_.Machine().Records().Records();
  if (status == kExitOk) json_["file"] = o_.output;
  if (status == kExitCancelled) json_["cancelled"] = true;
  return status;
}

int Session::Snapshot() {
  if (int status = CheckOutput(); status != kExitOk) return status;
  if (int status = Connect(); status != kExitOk) return status;
  const int status =
      SnapshotToFile(device_, o_, out_, [this](const std::string& what) { return FailedRead(what); });
  if (status == kExitOk) {
    json_["bytes"] = device_.Machine().Pictures().Picture().size();
    json_["file"] = o_.output;
  }
  if (status == kExitCancelled) json_["cancelled"] = true;
  return status;
}

}  // namespace

int RunCliCommand(const CliOptions& options, CliOutput& output) {
  // Ctrl-C and SIGTERM end these commands after the command in flight, for every port.
  std::optional<CliInterruptGuard> interrupts;
  if (Interruptible(options.command)) interrupts.emplace();
  // --json: each port's fields (several ports may run at once).
  std::mutex documentMutex;
  std::map<std::string, CliJson> documents;
  auto runOne = [&](const CliOptions& one, CliOutput& lines, int& written) {
    Session session(one, lines);
    const int status = session.Run();
    written = session.Written();
    CliJson document = session.Json();
    document["status"] = status;
    document["errors"] = lines.Errors();
    std::lock_guard<std::mutex> lock(documentMutex);
    documents[one.ports.empty() ? std::string() : one.ports.front()] = std::move(document);
    return status;
  };
  int status = kExitOk;
  const bool several = IsDeviceCommand(options.command) && options.ports.size() > 1;
  if (several) {
    status = RunFleet(options, output, runOne);
  } else {
    CliOptions one = options;
    if (IsDeviceCommand(options.command))
      one.output = OutputForPort(options.output, options.ports.front());
    int written = 0;
    status = runOne(one, output, written);
  }
  if (!output.Json()) return status;
  CliJson document = CliJson::object();
  if (!several && !documents.empty()) {
    document = std::move(documents.begin()->second);
  } else {
    CliJson runs = CliJson::array();
    for (const std::string& port : options.ports) {
      auto run = documents.find(port);
      if (run != documents.end()) {
        runs.push_back(std::move(run->second));
      } else {  // not started: Ctrl-C came first
        runs.push_back({{"port", port}, {"status", kExitCancelled}, {"cancelled", true}});
      }
    }
    document["runs"] = std::move(runs);
  }
  document["status"] = status;
  document["errors"] = output.Errors();
  output.Document(JsonLine(document));
  return status;
}

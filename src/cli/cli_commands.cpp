// The commands. Each device command opens the port, brings the device into its
// configuration state with the link machine's entry, and runs the configuration
// machine's operation; how the operation ended is read from what the machine logs
// and shows, and the bytes the device sent meanwhile tell silence from refusal.
#include "cli/cli_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/app_options.h"
#include "base/cp936.h"
#include "cli/cli_device.h"
#include "cli/cli_flash.h"
#include "cli/cli_output.h"
#include "cli/cli_records.h"
#include "cli/cli_view.h"
#include "cli/cli_writes.h"
#include "config/cfg_log.h"
#include "config/cfg_machine.h"
#include "download/download_log.h"
#include "protocol/exchange.h"
#include "protocol/listing.h"
#include "protocol/param_table.h"
#include "serial/port_list.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

// What the configuration machine logs or shows at the end of its operations.
struct MachineTexts {
  std::string loaded = GBK("载入RTU设备参数成功 ...\r\n");
  std::string csqFailed = GBK("查询CSQ失败\r\n");
  std::string imeiFailed = GBK("查询IMEI失败\r\n");
  std::string backInConfig = GBK("返回配置成功！\r\n");
  std::string clockSet = GBK("设置时间成功");
  std::string recordsCleared = GBK("删除通道记录成功");
  std::string backlogCleared = GBK("删除补传数据成功");
  std::string initialSet = GBK("设置初值成功");
};
const MachineTexts& T() {
  static const MachineTexts texts;
  return texts;
}

std::string CommandLineOf(int id) {
  std::string line;
  FormatCommandLine(id, 0, line);
  return line;
}

std::string WithoutLineEnd(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

class Session {
 public:
  Session(const CliOptions& o, CliOutput& out)
      : o_(o),
        out_(out),
        view_(out, log_),
        linkView_(out, view_),
        downloadView_(out, log_, ErrIsTerminal()),
        device_(view_, linkView_) {}

  int Run();

 private:
  int Ports();
  int Detect();
  int Load();
  int Apply();
  int Query(int op, int commandId);
  int Modem(int op);
  int FactoryReset();
  int SetClock();
  int Flash();
  int Records();
  int Snapshot();
  // clear-records, clear-backlog, set-initial: the storage page's request, carried out
  // by the idle machine; done when it shows doneTip.
  int StorageRequest(CfgRequest request, const std::string& argument, const std::string& what,
                     const std::string& doneTip);
  // -o FILE's folder exists (checked before the device is touched): kExitOk or kExitFile.
  int CheckOutput();

  // Log file, port, configuration entry: kExitOk or the status to exit with.
  int Connect();
  // Log file (starting with banner) and port: kExitOk or the status to exit with.
  int OpenLink(const std::string& banner);
  // Runs the load operation; true when the parameters were read.
  bool LoadParameters();
  // The status and message for an operation that did not succeed.
  int Failed(const std::string& what);
  // apply's FILE, read and checked before the device is touched.
  int ReadApplyFile(std::string& text);
  // --yes, or "y" on the terminal to question (for command): true to go on.
  bool Confirmed(const std::string& command, const std::string& question);
  const std::string& Port() const { return o_.ports.front(); }
  static bool ErrIsTerminal() { return isatty(fileno(stderr)) != 0; }

  const CliOptions& o_;
  CliOutput& out_;
  CliLogFile log_;
  CliCfgView view_;
  CliLinkView linkView_;
  CliDownloadView downloadView_;  // outlives the device's download machine
  CliDevice device_;
};

int Session::Run() {
  int status = kExitUsage;
  switch (o_.command) {
    case CliCommand::kPorts: return Ports();
    case CliCommand::kDetect: return Detect();
    case CliCommand::kLoad: status = Load(); break;
    case CliCommand::kApply: status = Apply(); break;
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
                              "deleting the records", T().recordsCleared);
      break;
    case CliCommand::kClearBacklog:
      if (!Confirmed("clear-backlog", "Delete the unsent reports on the device on " + Port() + "?"))
        return kExitCancelled;
      status = StorageRequest(CfgRequest::ClearBacklog, "1", "deleting the backlog",
                              T().backlogCleared);
      break;
    case CliCommand::kSetInitial: {
      char channel[8];
      std::snprintf(channel, sizeof channel, "%02d=", o_.channel);
      status = StorageRequest(CfgRequest::InitValue, channel + o_.initialValue,
                              "setting the initial value", T().initialSet);
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
  const std::vector<std::string> ports = ComposePortList({}, ListSerialPorts(), o_.ports);
  if (ports.empty()) out_.Progress("no serial ports found");
  for (const std::string& p : ports) out_.Result(p);
  return kExitOk;
}

int Session::Detect() {
  const std::vector<std::string> ports = ComposePortList({}, ListSerialPorts(), o_.ports);
  if (ports.empty()) {
    out_.Error("no serial ports to search (name one with --port)");
    return kExitNoAnswer;
  }
  out_.Progress("Searching " + std::to_string(ports.size()) + " port(s) for the device ...");
  const std::string found = device_.Detect(ports);
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
  if (!device_.Open(Port(), o_.baud, o_.parity, reason, denied)) {
    if (reason.empty()) reason = "unknown error";
    if (denied && reason.find("ermission") == std::string::npos) reason += " (permission denied)";
    out_.Error("cannot open " + Port() + ": " + reason);
    return kExitPort;
  }
  return kExitOk;
}

int Session::Connect() {
  if (int status = OpenLink(CfgLog::Banner()); status != kExitOk) return status;
  out_.Progress("Entering the configuration state on " + Port() + " ...");
  if (!device_.EnterConfig()) {
    if (device_.Vanished()) {
      out_.Error("the port " + Port() + " went away");
      return kExitPort;
    }
    out_.Error("the device on " + Port() + " does not answer (no \"CMD OK\" to \"---\")");
    return kExitNoAnswer;
  }
  return kExitOk;
}

int Session::Failed(const std::string& what) {
  if (device_.Vanished()) {
    out_.Error(what + ": the port " + Port() + " went away");
    return kExitPort;
  }
  if (device_.OperationBytes() == 0) {
    out_.Error(what + ": the device does not answer");
    return kExitNoAnswer;
  }
  out_.Error(what + ": the device refused it");
  return kExitRefused;
}

bool Session::LoadParameters() {
  out_.Progress("Loading the parameters ...");
  view_.ClearRecord();
  device_.ResetOperationBytes();
  return device_.Run(kOpLoadAll) && view_.Logged(T().loaded);
}

// The output is written after the device has been read: its folder is checked first,
// so that a mistyped path does not cost a whole read.
int Session::CheckOutput() {
  if (o_.output.empty()) return kExitOk;
  std::error_code ec;
  const std::filesystem::path out(o_.output);
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
  if (!LoadParameters()) return Failed("loading the parameters");
  const std::string listing = BuildListing();
  if (o_.output.empty()) {
    out_.ResultBytes(DeviceToUtf8(listing));
    return kExitOk;
  }
  std::string error;
  if (WriteFileAtomically(o_.output, listing, &error) != CfgFileResult::Ok) {
    out_.Error("cannot write " + (error.empty() ? o_.output : error));
    return kExitFile;
  }
  out_.Progress("Wrote the parameters to " + o_.output);
  return kExitOk;
}

int Session::ReadApplyFile(std::string& text) {
  const std::string& path = o_.input;
  errno = 0;
  switch (ReadCfgFile(path, text)) {
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
  // A file without a single parameter line is not a configuration file: refused before
  // the device is touched. The table is empty again afterwards; the load fills it.
  const bool known = ParseListing(text.data(), static_cast<int>(text.size())) != 0;
  ResetParamValues();
  if (!known) {
    out_.Error(path + " holds no parameter (no line \"label  value\" of the listing)");
    return kExitFile;
  }
  return kExitOk;
}

int Session::Apply() {
  std::string text;
  if (int status = ReadApplyFile(text); status != kExitOk) return status;
  if (int status = Connect(); status != kExitOk) return status;
  if (!LoadParameters()) return Failed("loading the parameters");
  // The pages now show the device's values; the file's values go into the table.
  view_.ShowTableOnPages();

  WriteResultTracker tracker([this](const WriteOutcome& w, bool final) {
    const std::string line = DeviceToUtf8(w.line);
    if (!final) {
      out_.Progress(line + ": no OK; recovering, then sending it again");
    } else {
      out_.Result(std::string(w.ok ? "ok      " : "failed  ") + line);
    }
  });
  view_.SetWriteObserver([&tracker](int id, int index, const std::string& line, bool ok, bool final) {
    tracker.OnWriteResult(id, index, line, ok, final);
  });
  device_.ResetOperationBytes();
  out_.Progress("Writing the values of " + o_.input + " that differ from the device's ...");
  const bool started = device_.Machine().StartWriteFromFile(text);
  if (started) device_.RunToRest();
  view_.SetWriteObserver({});
  tracker.Finish();
  if (!started) {
    out_.Error("the configuration machine is busy");
    return kExitRefused;
  }

  if (tracker.Results().empty()) {
    out_.Result("apply: nothing to write; the device holds the file's values");
  } else {
    out_.Result("apply: " + std::to_string(tracker.Written()) + " written, " +
                std::to_string(tracker.Failed()) + " failed");
  }
  if (device_.Vanished()) {
    out_.Error("the port " + Port() + " went away");
    return kExitPort;
  }
  if (tracker.Failed() > 0) {
    out_.Error(std::to_string(tracker.Failed()) + " write(s) failed");
    return kExitRefused;
  }
  return kExitOk;
}

// version (AT+VER) and restart (AT+RESET): the line is logged before every attempt and
// the device's reply right after the one that succeeded.
int Session::Query(int op, int commandId) {
  if (int status = Connect(); status != kExitOk) return status;
  const std::string line = CommandLineOf(commandId);
  view_.ClearRecord();
  device_.ResetOperationBytes();
  device_.Run(op);
  const std::vector<std::string> e = view_.Entries();
  const size_t n = e.size();
  const bool answered = n >= 2 && e[n - 2] == line && e[n - 1] != line;
  if (!answered) return Failed(WithoutLineEnd(line));
  const std::string answer = AnswerLines(e[n - 1], line);
  if (commandId == kCmdReset) out_.Progress("The device restarts.");
  if (!answer.empty()) out_.Result(DeviceToUtf8(answer));
  return kExitOk;
}

// signal and imei: the workspace's sequence out of the configuration state into the
// modem and back; the reply logged after the query line is the answer.
int Session::Modem(int op) {
  if (int status = Connect(); status != kExitOk) return status;
  const bool signal = op == kOpQuerySignal;
  const std::string line = CommandLineOf(signal ? kCmdCsq : kCmdGsn);
  const std::string& failed = signal ? T().csqFailed : T().imeiFailed;
  view_.ClearRecord();
  device_.ResetOperationBytes();
  device_.Run(op);
  const std::vector<std::string> e = view_.Entries();
  size_t at = e.size();
  for (size_t i = 0; i < e.size(); ++i)
    if (e[i] == line) at = i;
  if (view_.Logged(failed) || at + 1 >= e.size()) return Failed(WithoutLineEnd(line));
  out_.Result(DeviceToUtf8(AnswerLines(e[at + 1], line)));
  if (!view_.Logged(T().backInConfig))
    out_.Progress("note: the device did not confirm its return to the configuration state");
  return kExitOk;
}

bool Session::Confirmed(const std::string& command, const std::string& question) {
  if (o_.yes) return true;
  if (!isatty(fileno(stdin))) {
    out_.Error(command + " not confirmed (no terminal to ask; use --yes)");
    return false;
  }
  std::fprintf(stderr, "%s [y/N] ", question.c_str());
  std::fflush(stderr);
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
  view_.ClearRecord();
  device_.ResetOperationBytes();
  if (!device_.Machine().StartFactoryReset()) return Failed("factory reset");
  device_.RunToRest();
  if (device_.Machine().WorkMode() == kModeWaitPowerUp) {
    return Failed("factory reset (switch the device off and on, then run it again)");
  }
  if (!view_.Logged(T().loaded)) return Failed("reading the parameters after the factory reset");
  out_.Result("factory settings restored");
  return kExitOk;
}

int Session::SetClock() {
  if (int status = Connect(); status != kExitOk) return status;
  // The computer's time is taken now that the device is ready for it.
  const std::string argument = o_.clockArgument.empty() ? ClockArgumentNow() : o_.clockArgument;
  view_.ClearRecord();
  device_.ResetOperationBytes();
  device_.Machine().Requests().Set(CfgRequest::Clock, argument);
  device_.RunPendingRequest();
  if (!view_.Shown(T().clockSet)) return Failed("setting the clock to " + argument);
  out_.Result("clock set to " + argument);
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
  if (!device_.EnterTool(CliLinkView::Tool::kDownload)) {
    if (device_.Vanished()) {
      out_.Error("the port " + Port() + " went away");
      return kExitPort;
    }
    out_.Progress("The device does not answer \"---\"; trying to restart it all the same");
  }
  return FlashImage(device_, downloadView_, std::move(image), out_, Port());
}

int Session::StorageRequest(CfgRequest request, const std::string& argument,
                            const std::string& what, const std::string& doneTip) {
  if (int status = Connect(); status != kExitOk) return status;
  view_.ClearRecord();
  device_.ResetOperationBytes();
  device_.Machine().Requests().Set(request, argument);
  device_.RunPendingRequest();
  if (!view_.Shown(doneTip)) return Failed(what);
  out_.Result(DeviceToUtf8(doneTip));
  return kExitOk;
}

int Session::Records() {
  if (int status = CheckOutput(); status != kExitOk) return status;
  if (int status = Connect(); status != kExitOk) return status;
  return ReadRecordsToFile(device_, o_, out_, ErrIsTerminal(),
                           [this](const std::string& what) { return Failed(what); });
}

int Session::Snapshot() {
  if (int status = CheckOutput(); status != kExitOk) return status;
  if (int status = Connect(); status != kExitOk) return status;
  return SnapshotToFile(device_, o_, out_, [this](const std::string& what) { return Failed(what); });
}

}  // namespace

int RunCliCommand(const CliOptions& options, CliOutput& output) {
  Session session(options, output);
  return session.Run();
}

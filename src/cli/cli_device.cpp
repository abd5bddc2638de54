#include "cli/cli_device.h"

#include "cli/cli_view.h"
#include "protocol/param_table.h"

CliDevice::CliDevice(CliCfgView& cfgView, CliLinkView& linkView)
    : values_(BoundParamValues()), linkView_(linkView), link_(port_, linkView), machine_(cfgView),
      pump_(port_, link_, [this] { vanished_ = true; }) {
  machine_.AttachPort(&port_, &line_);
  downloadReceiver_.wants = [this] {
    DownloadWorker* worker = downloadTarget_.load();
    return worker != nullptr && worker->IsActive();
  };
  downloadReceiver_.take = [this](const char* data, int count) {
    if (DownloadWorker* worker = downloadTarget_.load()) worker->OnSerialData(data, count);
  };
  configReceiver_.wants = [this] {
    const int mode = machine_.WorkMode();
    return mode == kModeWaitPowerUp || mode == kModeOperation || mode == kModeRecovery;
  };
  configReceiver_.take = [this](const char* data, int count) { ConfigData(data, count); };
  pump_.SetReceivers({&downloadReceiver_, &configReceiver_});
}

CliDevice::~CliDevice() {
  // A port of a search that answered "\r\nCMD OK\r\n" first gets its second "---" (the
  // device goes back to its running state) before the program ends.
  link_.SettleDetection();
  // Every wait ends at once from here on; then the receive thread is joined.
  link_.Stop();
  machine_.Stop();
  if (download_) download_->Shutdown();
  pump_.Stop();
  if (pumpThread_.joinable()) pumpThread_.join();
  port_.Close();
}

void CliDevice::StartPump() {
  // The receive thread parses replies into the parameter values of the thread that made
  // the device (its own set when several devices run at once).
  if (!pumpThread_.joinable()) pumpThread_ = std::thread([this] {
    ParamValuesScope scope(values_);
    pump_.Run();
  });
}

bool CliDevice::Open(const std::string& name, int baud, int parity, std::string& reason,
                     bool& denied) {
  if (!port_.Open(name, baud, 8, serial::kOneStopBit, parity)) {
    reason = port_.LastOpenError();
    denied = port_.LastOpenDeniedPermission();
    return false;
  }
  StartPump();
  return true;
}

bool CliDevice::EnterTool(LinkTool tool) {
  linkView_.Begin(tool);
  const TipText tip =
      tool == LinkTool::kDownload ? TipText::kEnteringDownload : TipText::kEnteringConfig;
  link_.StartEntry(linkstate::kEnterConfigOrDownload, tip, false);
  // A probe's reply stays in Reply() from the step that waited for it to the next step.
  entryCmdError_ = false;
  while (link_.Step()) {
    if (link_.Reply() == ReplyMatcher::kCmdError) entryCmdError_ = true;
    if (halt_ != nullptr && halt_->load()) return false;  // Ctrl-C: no further probe
  }
  const std::optional<LinkOutcome>& outcome = linkView_.Outcome();
  return outcome && outcome->end == LinkEnd::kEntered;
}

DownloadWorker& CliDevice::Download(IDownloadView& view) {
  if (!download_) {
    download_ = std::make_unique<DownloadWorker>(port_, view, line_);
    download_->Launch();
    downloadTarget_ = download_.get();
  }
  return *download_;
}

std::string CliDevice::Detect(const std::vector<std::string>& ports) {
  StartPump();
  linkView_.Begin(LinkTool::kNone);
  link_.StartDetection(ports);
  while (link_.Step()) {
  }
  const std::optional<LinkOutcome>& outcome = linkView_.Outcome();
  const bool found = outcome && outcome->end == LinkEnd::kFound;
  port_.Close();
  return found ? outcome->port : std::string();
}

bool CliDevice::Run(int op) {
  if (!machine_.StartOperation(op)) return false;
  RunToRest();
  return true;
}

void CliDevice::RunPendingRequest() {
  if (machine_.WorkMode() == kModeIdle) machine_.WorkerTurn();
  RunToRest();
}

void CliDevice::RunToRest() {
  while (true) {
    const int mode = machine_.WorkMode();
    if (mode == kModeIdle || mode == kModeWaitPowerUp) return;
    machine_.WorkerTurn();
  }
}

void CliDevice::ConfigData(const char* data, int count) {
  // Only what answers a command line counts: a device that answers the probes but not
  // its commands does not answer.
  const int id = machine_.Exchange().CurrentCommandId();
  if (count > 0 && id != kCmdProbe && id != kCmdModem) operationBytes_ += count;
  machine_.OnSerialData(data, count);
}

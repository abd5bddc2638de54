#pragma once
// The device as the command line drives it: the serial port, the receive thread, the
// link machine (detection, tool entry), the configuration machine, whose worker turns
// run on the caller's thread so that a command knows when an operation is over, and,
// for flash, the download machine with its own threads.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/link_machine.h"
#include "app/receive_pump.h"
#include "cli/cli_view.h"
#include "config/cfg_machine.h"
#include "download/download_worker.h"
#include "protocol/param_table.h"
#include "serial/line_arbiter.h"
#include "serial/serial.h"

class CliDevice {
 public:
  CliDevice(CliCfgView& cfgView, CliLinkView& linkView);
  // Stops the receive thread and the machines and closes the port.
  ~CliDevice();
  CliDevice(const CliDevice&) = delete;
  CliDevice& operator=(const CliDevice&) = delete;

  // Opens the port (8 data bits, one stop bit). False with the reason and whether it
  // was for lack of permission.
  bool Open(const std::string& name, int baud, int parity, std::string& reason, bool& denied);

  // The main window's tool entry: "---" up to three times until "\r\nCMD OK\r\n", for
  // the configuration tool or the download tool. True when the device answered so.
  bool EnterTool(LinkTool tool);
  bool EnterConfig() { return EnterTool(LinkTool::kConfig); }
  // The last entry's probes were answered "\r\nCMD ERROR\r\n" (a device already in its
  // configuration state answers so, and so may another device on the port).
  bool EntryAnsweredCmdError() const { return entryCmdError_; }

  // The download machine on this port, made and launched on the first call; view must
  // outlive the device. While its download runs, it gets every received block.
  DownloadWorker& Download(IDownloadView& view);

  // The main window's auto-detection over ports; the port name on which the device
  // answered, or "" (the port is closed again either way).
  std::string Detect(const std::vector<std::string>& ports);

  // Starts op as its button does and runs the worker's turns until the machine rests
  // (idle, or waiting for a power cycle). False when the machine did not take it.
  bool Run(int op);
  // Worker turns until the machine rests; an idle turn first takes a pending request.
  void RunPendingRequest();
  // Worker turns until the machine rests.
  void RunToRest();

  CfgMachine& Machine() { return machine_; }

  // Once flag is raised (Ctrl-C), nothing more goes out after the command in flight: the
  // tool entry sends no further probe and the configuration machine halts. flag outlives
  // the device.
  void SetHaltFlag(const std::atomic<bool>* flag) {
    halt_ = flag;
    machine_.SetHaltFlag(flag);
  }

  // Bytes the device sent in answer to command lines (not to the probes "---" and "+++")
  // while the configuration machine worked, since the last reset.
  long long OperationBytes() const { return operationBytes_.load(); }
  void ResetOperationBytes() { operationBytes_ = 0; }
  // The port went away under the command.
  bool Vanished() const { return vanished_.load(); }

 private:
  // A consumer of received blocks made of two calls (receive thread).
  struct Receiver : IReceiver {
    std::function<bool()> wants;
    std::function<void(const char*, int)> take;
    bool WantsData() const override { return wants(); }
    void OnData(const char* data, int count) override { take(data, count); }
  };
  void ConfigData(const char* data, int count);
  void StartPump();

  ParamValues* values_;  // the parameter values bound where the device was made
  CliLinkView& linkView_;
  LineArbiter line_;  // outlives the machines that hold it
  CSerial port_;
  LinkMachine link_;
  CfgMachine machine_;
  std::unique_ptr<DownloadWorker> download_;
  std::atomic<DownloadWorker*> downloadTarget_{nullptr};  // download_, for the receive thread
  // In the main window's order: the download while it runs, then the configuration
  // machine in its modes 0, 1, 2.
  Receiver downloadReceiver_, configReceiver_;
  ReceivePump pump_;
  std::thread pumpThread_;
  std::atomic<long long> operationBytes_{0};
  std::atomic<bool> vanished_{false};
  bool entryCmdError_ = false;  // the caller's thread only
  const std::atomic<bool>* halt_ = nullptr;  // set before the entry, on the caller's thread
};

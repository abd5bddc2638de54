#pragma once
// The receive thread's work: the only reader of the serial port. Each block read goes
// to exactly one consumer: the main window's reply matcher while the main window talks
// to the device, else the download page while its download runs, else the debug console
// while it receives, else the configuration workspace while it works (modes 0, 1, 2).
// Qt-free: the pages are reached through IReceiveTargets.
#include <atomic>
#include <vector>

class ISerialPort;
class LinkMachine;

// One consumer of received blocks (a tool, or a machine of the command line). Called on
// the receive thread.
class IReceiver {
 public:
  virtual ~IReceiver() = default;
  // True while it takes received blocks.
  virtual bool WantsData() const = 0;
  // A block of count bytes (0 too: the consumers' clock), NUL-terminated after them;
  // valid for the call only.
  virtual void OnData(const char* data, int count) = 0;
};

// The tool pages as the receive thread sees them. Called on the receive thread.
class IReceiveTargets {
 public:
  virtual ~IReceiveTargets() = default;
  virtual bool DownloadActive() = 0;
  virtual void DownloadData(const char* data, int count) = 0;
  virtual bool DebugReceiving() = 0;
  virtual void DebugData(const char* data, int count) = 0;
  virtual int ConfigWorkMode() = 0;
  virtual void ConfigData(const char* data, int count) = 0;
  // The device went away; the port has been closed already.
  virtual void PortVanished() = 0;
};

class ReceivePump {
 public:
  enum Consumer { kMatcher, kDownload, kDebug, kConfig, kNobody };

  // Pause while the port is closed, and after an empty read that returned at once.
  static constexpr int kIdlePauseMs = 10;

  ReceivePump(ISerialPort& port, LinkMachine& link, IReceiveTargets& targets);
  ReceivePump(const ReceivePump&) = delete;
  ReceivePump& operator=(const ReceivePump&) = delete;

  // Hands one block (count may be 0) to its consumer and says which one took it.
  Consumer Dispatch(const char* data, int count);

  // One read and hand-over. Returns the byte count read; 0 when nothing came or the
  // port is closed; serial::kReadVanished when the device went away (the port is closed then).
  int Turn();

  // Turns until Stop(). Reads wait without a time limit (an idle port costs nothing);
  // Stop and closing the port wake them.
  void Run();
  void Stop();

 private:
  ISerialPort& port_;
  LinkMachine& link_;
  IReceiveTargets& targets_;
  std::atomic<bool> stop_{false};
  // One block for every read: the largest read and a terminating NUL.
  std::vector<char> block_;
};

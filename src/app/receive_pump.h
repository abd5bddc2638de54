#pragma once
// The receive thread's work: the only reader of the serial port. Each block read goes
// to exactly one consumer: the main window's reply matcher while the main window talks
// to the device, else the first receiver that wants it, in the order given (the main
// window's: the download page while its download runs, the debug console while it
// receives, the configuration workspace while it works, in modes 0, 1, 2).
// Qt-free: the tools are reached through IReceiver.
#include <atomic>
#include <functional>
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

class ReceivePump {
 public:
  // Who took a block, besides the receivers' indices.
  static constexpr int kMatcher = -1;
  static constexpr int kNobody = -2;

  // Pause after an empty read that returned at once.
  static constexpr int kIdlePauseMs = 10;
  // Pause while the port is closed (a closed port may stay closed for hours: waiting for a
  // device to come back, or before the user opens one). Bytes that arrive meanwhile wait in
  // the system's buffer; the first read after an open comes at most this late.
  static constexpr int kClosedPauseMs = 50;

  // vanished runs on the receive thread when the device went away (the port is closed).
  ReceivePump(ISerialPort& port, LinkMachine& link, std::function<void()> vanished);
  ReceivePump(const ReceivePump&) = delete;
  ReceivePump& operator=(const ReceivePump&) = delete;

  // The receivers in the order in which blocks are offered to them. Before Run.
  void SetReceivers(std::vector<IReceiver*> receivers) { receivers_ = std::move(receivers); }

  // Hands one block (count may be 0) to its consumer and says which one took it: the
  // receiver's index, kMatcher or kNobody.
  int Dispatch(const char* data, int count);

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
  std::function<void()> vanished_;
  std::vector<IReceiver*> receivers_;
  std::atomic<bool> stop_{false};
  // One block for every read: the largest read and a terminating NUL.
  std::vector<char> block_;
};

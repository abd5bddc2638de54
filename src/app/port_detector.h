#pragma once
// One search for the device over a list of ports, all probed at the same time. Each port
// gets its own handle and thread and the probe sequence of the main window's search:
// opened at 115200 8N1, "---" up to twice with a wait of 5 s for each reply; the reply
// "\r\nCMD ERROR\r\n" identifies the device. The first port to identify wins, unless a
// port listed before it identifies within kDetectGraceMs of it: then the one listed
// first wins, so that two devices answering together resolve as a search in list order
// would. Once the winner is known every other port ends its sequence without delaying
// the result: a port that answered its first probe "\r\nCMD OK\r\n" still gets its
// second "---" (so that a device that was not chosen goes back to its running state)
// and is closed after that reply; a silent port is closed at once. Qt-free.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ISerialPort;

namespace linkstate {
// Ports that identify within this long of the first one are ranked by list order.
constexpr int kDetectGraceMs = 300;
}  // namespace linkstate

class PortDetector {
 public:
  // Makes a closed port handle; called once per listed port, on the caller's thread.
  using PortFactory = std::function<std::unique_ptr<ISerialPort>()>;

  struct Result {
    int device = -1;                   // list index of the winner; -1: none or cancelled
    bool cancelled = false;
    bool lastOpened = false;           // the last listed port opened (it was probed)
    std::vector<std::string> denied{};  // ports refused for lack of permission, list order
  };

  PortDetector(std::vector<std::string> ports, const PortFactory& makePort);
  // Cancels what still runs and joins every probe thread.
  ~PortDetector();
  PortDetector(const PortDetector&) = delete;
  PortDetector& operator=(const PortDetector&) = delete;

  // Starts every probe and waits until the winner is known, every port has ended its
  // sequence, or Cancel. The winner's handle is closed when this returns, so the caller
  // can open the port itself. Call once.
  Result Run();
  // Any thread: every probe ends at once (its handle is closed, nothing more is sent).
  void Cancel();
  // Waits until every port has ended its sequence (the ones still finishing after Run).
  void Settle();

 private:
  enum class End { kRunning, kFound, kNotFound };
  struct Probe {
    std::string name;
    std::unique_ptr<ISerialPort> port;
    std::thread thread;
    // Guarded by mutex_.
    End end = End::kRunning;
    int64_t foundAtMs = 0;
    bool opened = false;
    bool denied = false;
  };

  void ProbePort(Probe& probe);
  // One "---" and its reply wait; the match (ReplyMatcher) or kNone.
  int ProbeOnce(Probe& probe, class ReplyMatcher& matcher, bool finishing);
  // True when the port's sequence is to end now: cancelled, or a winner is known and the
  // port is not finishing the second probe after a "\r\nCMD OK\r\n".
  bool Ending(bool finishing) const;
  void Finish(Probe& probe, End end);
  // The winner among the ports found so far, or -1 while it is not certain yet; sets
  // waitUntilMs to when the grace time ends. Under mutex_.
  int Winner(int64_t nowMs, int64_t& waitUntilMs) const;

  std::vector<Probe> probes_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool cancelled_ = false;  // guarded by mutex_
  bool decided_ = false;    // guarded by mutex_
  bool started_ = false;    // guarded by mutex_
};

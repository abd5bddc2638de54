#pragma once
// The main window's link-state machine: auto-detection (state 1) and tool entry
// (states 2 and 3), one step per turn of the link-state thread, and the reply matcher
// that the receive thread feeds while the main window itself talks to the device.
// Qt-free; the widgets are reached through ILinkView.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/link_view.h"
#include "app/port_detector.h"
#include "app/reply_matcher.h"
#include "base/event.h"

class ISerialPort;
class LineArbiter;

namespace linkstate {

// m_nLinkState
enum State { kNoState = 0, kDetect = 1, kEnterConfigOrDownload = 2, kEnterDebug = 3 };
// m_nLinkStep in state 1: every listed port is probed at once (PortDetector); then the
// end with the device found or without one.
enum DetectStep { kDetectIdle = 0, kSearch = 1, kFound = 3, kNotFound = 5 };
// m_nLinkStep in states 2 and 3
enum EntryStep { kEntryIdle = 0, kSend = 1, kWait = 2, kSuccess = 3, kFailure = 4 };
// The step in which a probe awaits its reply (same number in every state).
constexpr int kAwaitingReply = 2;

// Line settings of the search.
constexpr int kDetectBaud = 115200;
// How long a probe waits for its reply.
constexpr int kProbeWaitMs = 5000;
// Probes per port during the search, and per tool entry.
constexpr int kDetectProbes = 2;
constexpr int kEntryTries = 3;
// The idle link-state thread wakes at least this often (unscaled; starts wake it at once).
constexpr int kIdleWaitMs = 1000;

}  // namespace linkstate

class LinkMachine {
 public:
  // line (null: none) arbitrates the probes: one is written only while no operation
  // owns the line, so that it never lands inside a transfer or a configuration exchange.
  // makeProbePort gives the search a handle per listed port (null: a CSerial each).
  LinkMachine(ISerialPort& port, ILinkView& view, LineArbiter* line = nullptr,
              PortDetector::PortFactory makeProbePort = {});
  // Ends a search still running and waits for its probe threads.
  ~LinkMachine();
  LinkMachine(const LinkMachine&) = delete;
  LinkMachine& operator=(const LinkMachine&) = delete;

  // --- UI thread ---
  // Starts auto-detection over these ports (the port combo's entries, in order):
  // combos disabled, tip "串口检测中，请稍后..." shown, main window disabled.
  void StartDetection(std::vector<std::string> ports);
  // Starts a tool entry (state kEnterConfigOrDownload or kEnterDebug): the link is taken
  // back from the tools; the tip shows text and the main window is disabled when showTip.
  void StartEntry(int state, TipText text, bool showTip);
  // The tip's cancel: ends any running state; in auto-detection the port is closed.
  void Cancel();
  // The port was opened (link to the tools) or closed (link back to the main window) by hand.
  void SetLinkToTools(bool toTools);

  // --- link-state thread ---
  // Runs steps until Stop(); waits on an event while there is nothing to do.
  void Run();
  // One step of the selected state; false when there was nothing to do.
  bool Step();
  // Any thread: makes Run return and every wait end at once; nothing is changed afterwards.
  void Stop();
  // Waits until the ports of the last search that were still finishing their probe
  // sequence (a second "---" after "\r\nCMD OK\r\n") have ended it and are closed.
  void SettleDetection();

  // --- receive thread ---
  // The reply matcher: accumulates the block and, while a probe awaits its reply,
  // records a match in m_nReply and sets the reply event.
  void OnReceived(const char* data, int count);

  // Writes the probe "---"; true when the port is open, the line belongs to nobody and
  // all 3 bytes were written.
  bool SendProbe();

  // State, for the main window and tests (any thread).
  bool LinkToTools() const { return m_bLinkToTools.load() != 0; }
  int LinkState() const { return m_nLinkState.load(); }
  int LinkStep() const { return m_nLinkStep.load(); }
  int Retry() const { return m_nRetry.load(); }
  int Reply() const { return m_nReply.load(); }
  // Index and name of the port on which the search last found the device (-1 / "" before).
  int DevicePort() const { return m_nDevicePort.load(); }
  std::string DevicePortName() const;
  // True while a state machine runs (the main window waits for it).
  bool Busy() const;

 private:
  // Applies fn to the link fields unless a start, cancel or stop came since gen was read.
  template <class Fn>
  bool Commit(unsigned gen, Fn fn);
  // Runs fn on the UI thread unless a start, cancel or stop came since gen was read.
  template <class Fn>
  void Ui(unsigned gen, Fn fn);
  void Wake();

  void DetectStep(unsigned gen, int step);
  void DetectSearch(unsigned gen);
  void DetectFound(unsigned gen);
  void DetectNotFound(unsigned gen);
  // The running or last search (null before the first), under mutex_.
  std::shared_ptr<PortDetector> Search() const;
  void EntryStep(unsigned gen, int state, int step);

  ISerialPort& port_;
  ILinkView& view_;
  LineArbiter* line_;
  PortDetector::PortFactory makeProbePort_;

  // Serialises changes of the link fields between the UI thread and the link-state thread.
  mutable std::mutex mutex_;
  std::atomic<unsigned> gen_{0};
  std::atomic<bool> stop_{false};

  std::atomic<int> m_nRetry{0};
  std::atomic<int> m_bLinkToTools{0};
  std::atomic<int> m_nLinkState{0};
  std::atomic<int> m_nLinkStep{0};
  std::atomic<int> m_nReply{0};
  std::atomic<int> m_nDevicePort{-1};
  std::string devicePortName_;          // guarded by mutex_
  std::vector<std::string> ports_;      // guarded by mutex_
  std::shared_ptr<PortDetector> search_;  // guarded by mutex_
  PortDetector::Result searchResult_;   // guarded by mutex_; of the last search

  Event m_hReplyEvent{true};
  Event wake_;
  ReplyMatcher matcher_;  // receive thread only
};

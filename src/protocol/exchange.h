#pragma once
// The command/reply exchange: writes one entry's command line and waits for its
// OK or ERROR text, which the receive thread accumulates through MatchReply.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "base/event.h"

class ISerialPort;

constexpr int kReceiveTextCapacity = 40962;  // bytes incl. terminator
constexpr int kReceiveTextMax = 40960;       // longest accumulated text
constexpr int kOverflowKeep = 255;           // characters kept when the text overflows
constexpr int kReplyPauseMs = 1000;          // pause after every answered command
// Fast writing: a setter's pause ends once the line has been quiet this long (covers the
// latency timer of common USB serial adapters).
constexpr int kQuietPauseMs = 20;

// Builds the command line of (id, index) without sending. Returns 1 and the line,
// or 0 and an empty line when there is no such entry or index >= count.
int FormatCommandLine(int id, int index, std::string& out);
// The command word of instance index of parameter id as the device knows it: the
// entry's word, and for a parameter of several instances the instance counted from 1 in
// two digits ("AT+CHNSVLEN07" for index 6). "" when there is no such entry or index.
std::string InstanceCommand(int id, int index);

class CommandExchange {
 public:
  explicit CommandExchange(ISerialPort& port);

  // Sends the line of (id, index) and waits for the entry's reply (see FormatCommandLine;
  // "---" and "+++" go out bare). 1 on okReply (or the reply handler's result), else 0.
  // A reply whose head was lost to an overflow of the receive text is not handed to the
  // reply handler: the attempt fails (a listing cut at the front would read as a device
  // that holds nothing). out: the line sent on success, empty on failure.
  int RunCommand(int id, int index, std::string& out);

  // Receive side (receive thread): appends a block and signals on the awaited reply.
  void MatchReply(const char* data, int length);
  // Appends a block: NUL bytes become blanks; when the text would pass kReceiveTextMax,
  // its last kOverflowKeep characters stay and the block follows (of a block too big
  // for that, its last bytes are kept, so the text never passes kReceiveTextMax).
  void AppendReceived(const char* data, int length);
  // Returns the accumulated text and empties it.
  std::string TakeReceivedText();
  // Copy of the accumulated text without emptying it.
  std::string PeekReceivedText() const;
  // Bytes were dropped from the receive text since the last command was sent.
  bool Overflowed() const { return overflowed_.load(); }

  // Abort makes the current and every later RunCommand fail at once, without writing,
  // until ClearAbort (the operation that was cancelled has ended).
  void Abort() {
    aborted_.store(true);
    replyEvent_.Set();
  }
  void ClearAbort() { aborted_.store(false); }

  // Fast writing (worker thread, between exchanges): while on, the pause after a setter's
  // OK ends once the line has been quiet for kQuietPauseMs. The first setter that fails,
  // times out or is answered with anything but its echo and OK turns it off for good
  // (FellBack), and every later command pauses the full kReplyPauseMs again.
  void SetQuietPause(bool on) {
    quietPause_ = on;
    fellBack_ = false;
  }
  bool QuietPause() const { return quietPause_; }
  bool FellBack() const { return fellBack_; }

  Event& ReplyEvent() { return replyEvent_; }
  int ReplyState() const { return replyState_.load(); }
  int CurrentCommandId() const { return currentCommandId_.load(); }
  ISerialPort& Port() { return port_; }

 private:
  void AppendLocked(const char* data, int length);  // textMutex_ held
  // After a setter's reply: the quiet wait when the reply was exactly as expected,
  // otherwise the fixed pause and the fall-back.
  void PauseAfterSetter(const std::string& line, int result);

  ISerialPort& port_;
  mutable std::mutex textMutex_;
  std::string receiveText_;  // at most kReceiveTextMax characters, NULs replaced by blanks
  std::atomic<int> currentCommandId_{-1};
  std::atomic<int> replyState_{0};
  std::atomic<bool> aborted_{false};
  std::atomic<bool> overflowed_{false};  // set by AppendLocked, cleared with the text's reset
  std::atomic<int64_t> lastByteMs_{0};  // Timing::NowMs() of the last received block
  bool quietPause_ = false;  // worker's own
  bool fellBack_ = false;    // worker's own
  Event replyEvent_;
};

// The command/reply exchange. The worker thread sends (RunCommand); the receive
// thread accumulates and matches (MatchReply). The receive text, the reply state
// and the event are changed together under textMutex_, so a reset before a send
// and a match of a late block can never interleave.
#include "protocol/exchange.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string_view>
#include <thread>

#include "base/timing.h"
#include "protocol/param_table.h"
#include "serial/serial_port.h"

namespace {

constexpr int kFirstCommandId = 165;

// "---" and "+++" go out bare: the device reacts to the three characters alone.
bool SentBare(int id) { return id == kCmdProbe || id == kCmdModem; }

bool Contains(const std::string& text, const char* needle) {
  return needle[0] != '\0' && text.find(needle) != std::string::npos;
}

}  // namespace

int FormatCommandLine(int id, int index, std::string& out) {
  out.clear();
  const ParamEntry* entry = FindParam(id);
  if (entry == nullptr || index < 0 || index >= entry->count) return 0;
  const std::string value = GetParamText(id, index).value_or(std::string());
  out = InstanceCommand(id, index);
  if (id < kFirstCommandId) out += '=';
  out += value;
  out += "\r\n";
  return 1;
}

std::string InstanceCommand(int id, int index) {
  const ParamEntry* entry = FindParam(id);
  if (entry == nullptr || index < 0 || index >= entry->count) return {};
  std::string word = entry->command;
  if (id < kFirstCommandId && entry->count > 1) {
    // Instances always carry two digits on the wire (count is at most 30).
    const int n = index + 1;
    word += static_cast<char>('0' + n / 10);
    word += static_cast<char>('0' + n % 10);
  }
  return word;
}

CommandExchange::CommandExchange(ISerialPort& port) : port_(port) {
  receiveText_.reserve(kReceiveTextCapacity);
}

int CommandExchange::RunCommand(int id, int index, std::string& out) {
  out.clear();
  const ParamEntry* entry = FindParam(id);
  if (entry == nullptr || index < 0 || index >= entry->count) return 0;

  std::string line;
  if (SentBare(id)) {
    line = entry->command;
  } else {
    FormatCommandLine(id, index, line);
  }
  if (line.empty()) return 0;

  {
    std::lock_guard<std::mutex> lock(textMutex_);
    currentCommandId_ = id;
    receiveText_.clear();
    overflowed_ = false;
    replyState_ = 0;
    replyEvent_.Reset();
  }

  if (aborted_.load() || !port_.IsOpen()) return 0;
  const int length = static_cast<int>(line.size());
  if (port_.Write(line.data(), length) < length) return 0;

  if (!replyEvent_.Wait(entry->timeoutMs) || aborted_.load()) {  // time-out: no pause
    if (id <= kLastParamId && quietPause_) {
      quietPause_ = false;
      fellBack_ = true;
    }
    return 0;
  }

  int result = 0;
  if (replyState_.load() == 1) {
    if (entry->replyHandler != nullptr) {
      // The handler reads a snapshot: the receive thread may still be appending. A text
      // that lost its head is no reply to hand on.
      const std::string text = PeekReceivedText();
      if (!overflowed_.load()) result = entry->replyHandler(text.data(), static_cast<int>(text.size()));
    } else {
      result = 1;
    }
  }

  // The device may still be finishing its reply; the caller takes the whole text after this.
  if (id <= kLastParamId && quietPause_) {
    PauseAfterSetter(line, result);
  } else {
    Timing::Sleep(kReplyPauseMs);
  }

  if (result != 0) out = std::move(line);
  return result;
}

void CommandExchange::PauseAfterSetter(const std::string& line, int result) {
  const std::string expected = FindParam(currentCommandId_.load())->okReply;
  const auto expectedReply = [&] {
    const std::string text = PeekReceivedText();
    return text == expected || text == line + expected;  // with or without the echo
  };
  if (result != 0 && expectedReply()) {
    // Until the line has been quiet for the quiet time, never longer than the fixed pause.
    const int quiet = Timing::Scaled(kQuietPauseMs);
    const int64_t end = Timing::NowMs() + Timing::Scaled(kReplyPauseMs);
    for (int64_t now = Timing::NowMs(); now < end && !aborted_.load(); now = Timing::NowMs()) {
      const int64_t wait = std::min(lastByteMs_.load() + quiet, end) - now;
      if (wait <= 0) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    }
    if (expectedReply()) return;  // nothing more arrived in the meantime
  }
  quietPause_ = false;
  fellBack_ = true;
  Timing::Sleep(kReplyPauseMs);
}

void CommandExchange::MatchReply(const char* data, int length) {
  if (data == nullptr || length <= 0) return;
  std::lock_guard<std::mutex> lock(textMutex_);
  AppendLocked(data, length);
  const ParamEntry* entry = FindParam(currentCommandId_.load());
  if (entry == nullptr) return;
  // Checked independently: a text holding both replies counts as an error. The state
  // is final before the event wakes the worker.
  int state = 0;
  if (Contains(receiveText_, entry->okReply)) state = 1;
  if (Contains(receiveText_, entry->errorReply)) state = 2;
  if (state != 0) {
    replyState_ = state;
    replyEvent_.Set();
  }
}

void CommandExchange::AppendReceived(const char* data, int length) {
  if (data == nullptr || length <= 0) return;
  std::lock_guard<std::mutex> lock(textMutex_);
  AppendLocked(data, length);
}

// On overflow the last kOverflowKeep characters stay and the block follows them.
// A block that does not fit behind them (more than 40705 bytes) would overrun the
// text; then the text keeps the last kReceiveTextMax bytes of kept part + block,
// i.e. the newest bytes, where a reply's ending text is.
void CommandExchange::AppendLocked(const char* data, int length) {
  const size_t block = static_cast<size_t>(length);
  const size_t max = static_cast<size_t>(kReceiveTextMax);
  if (receiveText_.size() + block > max) {
    overflowed_ = true;
    const size_t keep = std::min(receiveText_.size(), static_cast<size_t>(kOverflowKeep));
    receiveText_.erase(0, receiveText_.size() - keep);
    if (keep + block > max) {
      if (block >= max) {
        receiveText_.clear();
        data += block - max;
        length = kReceiveTextMax;
      } else {
        receiveText_.erase(0, keep + block - max);
      }
    }
  }
  lastByteMs_ = Timing::NowMs();
  const size_t start = receiveText_.size();
  receiveText_.append(data, static_cast<size_t>(length));
  // NUL bytes become blanks so that the substring search sees the whole text.
  std::replace(receiveText_.begin() + static_cast<std::ptrdiff_t>(start), receiveText_.end(),
               '\0', ' ');
}

std::string CommandExchange::TakeReceivedText() {
  std::lock_guard<std::mutex> lock(textMutex_);
  std::string text = receiveText_;
  receiveText_.clear();  // keeps the reserved capacity
  return text;
}

std::string CommandExchange::PeekReceivedText() const {
  std::lock_guard<std::mutex> lock(textMutex_);
  return receiveText_;
}

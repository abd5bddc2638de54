#include "debug/mode_dialogue.h"

#include <algorithm>
#include <string_view>

#include "base/cp936.h"
#include "debug/receive_log.h"
#include "serial/serial_port.h"

namespace {
const std::string kProbe = "---";
const std::string kReset = "AT+RESET\r\n";
const std::string kBannerByte = "S";
constexpr std::string_view kCmdOk = "\r\nCMD OK\r\n";
constexpr std::string_view kCmdError = "\r\nCMD ERROR\r\n";
constexpr std::string_view kOk = "\r\nOK\r\n";
constexpr std::string_view kError = "\r\nERROR\r\n";
constexpr std::string_view kBanner = "CONFIGURE PROGRAM";
// When a block does not fit behind the reply text, this much of the old text stays.
constexpr size_t kReplyKeep = 255;

const std::string& Text(int which) {
  static const std::string texts[] = {
      GBK("\r\n进入简易模式中,请等待...\r\n"),
      GBK("\r\n进入专业模式中,请等待...\r\n"),
      GBK("进入简易模式成功！"),
      GBK("进入简易模式失败！"),
      GBK("进入专业模式错误, 请将设备重新上电！"),
      GBK("进入专业模式成功！"),
      GBK("进入专业模式失败！"),
  };
  return texts[which];
}
enum { kSimpleNotice, kProNotice, kSimpleOk, kSimpleFailed, kPowerCycle, kProOk, kProFailed };
}  // namespace

DebugModeDialogue::DebugModeDialogue(ISerialPort& port, ReceiveLog& log, IDebugModeView& view,
                                     LineArbiter& line)
    : port_(port), log_(log), view_(view), line_(line) {
  replyBuffer_.reserve(kReplyBufferSize);
}

DebugModeDialogue::~DebugModeDialogue() { Stop(); }

void DebugModeDialogue::Start() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (thread_.joinable()) return;
  stop_ = false;
  thread_ = std::thread([this] { Run(); });
}

void DebugModeDialogue::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  event_.Set();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
  LineArbiter::Lease ended;
  std::lock_guard<std::mutex> lock(mutex_);
  phase_ = step_ = reply_ = retry_ = rounds_ = 0;
  ended = std::move(lease_);
}

bool DebugModeDialogue::IsRunning() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return phase_ != 0;
}

void DebugModeDialogue::Begin(Target target) {
  LineArbiter::Lease lease = line_.Hold(LineOwner::kModeDialogue);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (phase_ != 0 || stop_) return;
    lease_ = std::move(lease);
    proMode_.store(false);
    // The notice goes into the log before the thread can send anything.
    log_.AppendNotice(Text(target == kSimple ? kSimpleNotice : kProNotice));
    target_ = target;
    step_ = 1;
    phase_ = 1;
  }
  view_.LogChanged();
  wake_.notify_all();
}

void DebugModeDialogue::OnReceive(const char* data, int count) {
  if (count <= 0) return;
  bool closeBox = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (phase_ == 0) return;
    std::string_view block(data, static_cast<size_t>(count));
    if (replyBuffer_.size() + block.size() > static_cast<size_t>(kReplyBufferSize - 1)) {
      // Keep the tail of the old text, and of old and new together no more than fits.
      if (replyBuffer_.size() > kReplyKeep) replyBuffer_.erase(0, replyBuffer_.size() - kReplyKeep);
      const size_t room = kReplyBufferSize - 1;
      if (block.size() >= room) {
        replyBuffer_.clear();
        block = block.substr(block.size() - room);
      } else if (replyBuffer_.size() + block.size() > room) {
        replyBuffer_.erase(0, replyBuffer_.size() + block.size() - room);
      }
    }
    const size_t from = replyBuffer_.size();
    replyBuffer_.append(block);
    std::replace(replyBuffer_.begin() + static_cast<std::ptrdiff_t>(from), replyBuffer_.end(), '\0',
                 ' ');
    if (step_ != 2) return;
    const auto has = [this](std::string_view s) { return replyBuffer_.find(s) != std::string::npos; };
    int reply = 0;
    if (phase_ == 1) {
      reply = has(kCmdError) ? 2 : has(kCmdOk) ? 1 : 0;
    } else if (phase_ == 2) {
      reply = has(kError) ? 2 : has(kOk) ? 1 : 0;
    } else if (phase_ == 3 && has(kBanner)) {
      reply = 1;
      closeBox = true;
    }
    if (reply == 0) return;
    reply_ = reply;
    replyBuffer_.clear();
  }
  // The power-cycle box goes before the mode thread learns of the banner.
  if (closeBox) view_.CloseWaitingMessage();
  event_.Set();
}

bool DebugModeDialogue::OnBannerTick() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (phase_ != 3 || step_ != 2) return true;
  }
  return line_.WriteIfFree(LineOwner::kModeDialogue, [this] {
    if (port_.IsOpen()) port_.Write(kBannerByte.data(), 1);
  });
}

void DebugModeDialogue::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_) {
    if (phase_ == 0) {
      wake_.wait(lock, [this] { return stop_ || phase_ != 0; });
      continue;
    }
    const int phase = phase_;
    const int step = step_;
    lock.unlock();
    if (phase == 1) ProbeTurn(step);
    else if (phase == 2) ResetTurn(step);
    else if (phase == 3) BannerTurn(step);
    else SetStep(0, 0);
    lock.lock();
  }
}

void DebugModeDialogue::SetStep(int phase, int step) {
  LineArbiter::Lease ended;
  std::lock_guard<std::mutex> lock(mutex_);
  phase_ = phase;
  step_ = step;
  if (phase == 0) ended = std::move(lease_);
}

bool DebugModeDialogue::SendAndAwait(const std::string& text) {
  if (!port_.IsOpen()) return false;
  {
    // Ready for the reply before the line goes out, so that a fast reply is matched.
    std::lock_guard<std::mutex> lock(mutex_);
    reply_ = 0;
    event_.Reset();
    step_ = 2;
  }
  const int length = static_cast<int>(text.size());
  if (port_.Write(text.data(), length) == length) return true;
  std::lock_guard<std::mutex> lock(mutex_);
  step_ = 1;
  return false;
}

bool DebugModeDialogue::AwaitPositive(int ms) {
  event_.Wait(ms);
  std::lock_guard<std::mutex> lock(mutex_);
  return !stop_ && event_.IsSet() && reply_ == 1;
}

void DebugModeDialogue::ProbeTurn(int step) {
  switch (step) {
    case 1:
      if (!SendAndAwait(kProbe)) SetStep(1, 4);
      return;
    case 2:
      SetStep(1, AwaitPositive(kProbeWaitMs) ? 3 : 4);
      return;
    case 3: {
      bool simple;
      LineArbiter::Lease ended;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        reply_ = retry_ = 0;
        simple = target_ == kSimple;
        if (simple) {
          rounds_ = phase_ = step_ = 0;
          ended = std::move(lease_);
        } else {
          phase_ = 2;
          step_ = 1;
        }
      }
      ended.Release();  // before the box: the line is free while it is open
      if (simple) {
        view_.ShowMessage(Text(kSimpleOk), {});
        view_.EnablePage(true);
      }
      return;
    }
    default: {
      bool simple;
      LineArbiter::Lease ended;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (++retry_ < kTries) {
          reply_ = 0;
          step_ = 1;
          return;
        }
        reply_ = retry_ = rounds_ = 0;
        simple = target_ == kSimple;
        if (simple) {
          phase_ = step_ = 0;
          ended = std::move(lease_);
        }
      }
      ended.Release();  // before the box
      if (simple) {
        view_.EnablePage(true);
        view_.ShowMessage(Text(kSimpleFailed), {});
      } else {
        GoWaitForPowerUp();
      }
      return;
    }
  }
}

void DebugModeDialogue::ResetTurn(int step) {
  switch (step) {
    case 1:
      if (SendAndAwait(kReset)) {
        log_.AppendNotice(kReset);  // what was sent, shown in the log
        view_.LogChanged();
      } else {
        SetStep(2, 4);
      }
      return;
    case 2:
      SetStep(2, AwaitPositive(kResetWaitMs) ? 3 : 4);
      return;
    case 3: {
      std::lock_guard<std::mutex> lock(mutex_);
      reply_ = retry_ = rounds_ = 0;
      phase_ = 3;
      step_ = 1;
      return;
    }
    default: {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (++retry_ < kTries) {
          step_ = 1;
          reply_ = 0;
          return;
        }
        ++rounds_;
        reply_ = retry_ = 0;
        if (rounds_ < kRounds) {
          phase_ = 1;
          step_ = 1;
          return;
        }
        rounds_ = 0;
      }
      GoWaitForPowerUp();
      return;
    }
  }
}

void DebugModeDialogue::GoWaitForPowerUp() {
  view_.StartBannerTimer();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    event_.Reset();
    reply_ = 0;
    phase_ = 3;
    step_ = 2;
  }
  view_.EnablePage(true);
  // The banner may already have come (and found no box to close): then no box.
  view_.ShowMessage(Text(kPowerCycle), [this] {
    std::lock_guard<std::mutex> lock(mutex_);
    return reply_ == 1 || stop_;
  });
}

void DebugModeDialogue::BannerTurn(int step) {
  switch (step) {
    case 1: {
      view_.StartBannerTimer();
      std::lock_guard<std::mutex> lock(mutex_);
      reply_ = 0;
      event_.Reset();
      step_ = 2;
      return;
    }
    case 2:
      SetStep(3, AwaitPositive(kBannerWaitMs) ? 3 : 4);
      return;
    default: {
      view_.StopBannerTimer();
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_) return;
      }
      if (step == 3) proMode_.store(true);
      Finish(Text(step == 3 ? kProOk : kProFailed));
      return;
    }
  }
}

void DebugModeDialogue::Finish(const std::string& message) {
  LineArbiter::Lease ended;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    reply_ = phase_ = step_ = 0;
    ended = std::move(lease_);
  }
  ended.Release();  // before the box: the line is free while it is open
  view_.ShowMessage(message, {});
  view_.EnablePage(true);
}

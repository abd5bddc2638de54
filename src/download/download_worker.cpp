#include "download/download_worker.h"

#include <chrono>

#include "base/timing.h"
#include "download/firmware_image.h"
#include "serial/serial_port.h"

namespace {

const char kResetCommand[] = "AT+RESET\r\n";
const char kProbe[] = "---";

std::string BlockLine(uint32_t block, const char* outcome) {
  return "Download " + std::to_string(block) + outcome;
}

}  // namespace

DownloadWorker::DownloadWorker(ISerialPort& port, IDownloadView& view, LineArbiter& line)
    : port_(port), view_(view), line_(line) {}

DownloadWorker::~DownloadWorker() { Shutdown(); }

void DownloadWorker::Launch() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (worker_.joinable() || quit_) return;
  worker_ = std::thread([this] { Run(); });
  poller_ = std::thread([this] { PollLoop(); });
}

void DownloadWorker::Shutdown() {
  LineArbiter::Lease ended;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    ++generation_;
    ended = std::move(lease_);
  }
  wake_.notify_all();
  replyEvent_.Set();
  {
    std::lock_guard<std::mutex> lock(pollMutex_);
    pollQuit_ = true;
  }
  pollCv_.notify_all();
  if (worker_.joinable()) worker_.join();
  if (poller_.joinable()) poller_.join();
}

// ---- start and stop ----

DownloadWorker::StartResult DownloadWorker::StartDownload(std::vector<uint8_t> image) {
  if (active_.load()) return StartResult::kBusy;
  if (!port_.IsOpen()) return StartResult::kPortClosed;
  if (!boot::ImageLengthAllowed(image.size())) return StartResult::kBadLength;
  const auto blocks = static_cast<int>(boot::BlockCount(static_cast<uint32_t>(image.size())));
  view_.AppendLog("Wait for the device to restart\r\n");
  view_.OnDownloadStarted(blocks);
  // Before the worker can send anything: no background byte goes out from here on.
  LineArbiter::Lease lease = line_.Hold(LineOwner::kDownload);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    lease_ = std::move(lease);
    image_ = std::move(image);
    sentOffset_ = 0;
    replyResult_ = 0;
    restartAttempts_ = 0;
    reentryRounds_ = 0;
    state_ = kRestart;
    step_ = kSend;
    ++generation_;
    active_.store(true);
  }
  wake_.notify_all();
  return StartResult::kStarted;
}

bool DownloadWorker::StopDownload() { return Stop(false, nullptr); }

bool DownloadWorker::Stop(bool completed, const uint64_t* onlyGen) {
  LineArbiter::Lease ended;  // let go once mutex_ is free again
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!active_.load() || (onlyGen && *onlyGen != generation_)) return false;
    ended = std::move(lease_);
    ++generation_;
    state_ = kIdle;
    step_ = 0;
    replyResult_ = 0;
    restartAttempts_ = 0;
    reentryRounds_ = 0;
    sentOffset_ = 0;
    image_.clear();
    receive_.Clear();
    active_.store(false);
    StopPollLocked();
  }
  // A worker waiting for a reply of this download wakes at once instead of running
  // out its time limit.
  replyEvent_.Set();
  view_.OnDownloadStopped(completed ? DownloadEnd::kCompleted : DownloadEnd::kStopped);
  return true;
}

int DownloadWorker::State() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

int DownloadWorker::Step() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return step_;
}

bool DownloadWorker::WaitingForBootLoader() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_ == kTransfer && step_ == kAwaitBootLoader;
}

// ---- receive side ----

void DownloadWorker::OnSerialData(const char* data, int count) {
  if (!data || count <= 0) return;
  bool bootLoaderAnswered = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    receive_.Append(data, static_cast<size_t>(count));
    auto match = [this](const char* negative, const char* positive) {
      if (receive_.Contains(negative)) replyResult_ = 2;
      else if (receive_.Contains(positive)) replyResult_ = 1;
      else return;
      replyEvent_.Set();
      receive_.Clear();
    };
    if (state_ == kReenter && step_ == kAwaitReply) {
      match("\r\nCMD ERROR\r\n", "\r\nCMD OK\r\n");
    } else if (state_ == kRestart && step_ == kAwaitReply) {
      match("\r\nERROR\r\n", "\r\nOK\r\n");
    } else if (state_ == kTransfer && step_ == kAwaitBootLoader) {
      if (data[0] == boot::kPoll) {
        step_ = kBootLoaderFound;
        receive_.Clear();
        replyEvent_.Set();  // the worker goes on at once instead of at its next turn
        bootLoaderAnswered = true;
      }
    } else if (state_ == kTransfer && step_ == kSendBlocks) {
      // Only the first byte counts: 0x05 acknowledges even when more bytes follow.
      replyResult_ = data[0] == boot::kBlockAck ? 1 : 2;
      replyEvent_.Set();
      receive_.Clear();
    }
  }
  if (bootLoaderAnswered) view_.ClosePowerUpMessage();
}

// ---- worker thread ----

void DownloadWorker::Run() {
  Lock lk(mutex_);
  while (!quit_) {
    if (state_ == kIdle) {
      wake_.wait(lk, [this] { return quit_ || state_ != kIdle; });
      continue;
    }
    const uint64_t gen = generation_;
    const int step = step_;
    switch (state_) {
      case kReenter: ReenterTurn(lk, gen); break;
      case kRestart: RestartTurn(lk, gen); break;
      default: TransferTurn(lk, gen); break;
    }
    if (!lk.owns_lock()) lk.lock();
    // A step no phase knows cannot advance: pause instead of spinning.
    if (gen == generation_ && step_ == step && (step < kSend || step > kFailed)) {
      lk.unlock();
      Timing::Sleep(10);
      lk.lock();
    }
  }
}

void DownloadWorker::SendCommand(Lock& lk, uint64_t gen, const char* text, int length) {
  replyResult_ = 0;
  replyEvent_.Reset();
  // The matcher is armed before the command goes out, so that a quick reply is not missed.
  step_ = kAwaitReply;
  lk.unlock();
  const bool written = port_.IsOpen() && port_.Write(text, length) == length;
  lk.lock();
  if (gen == generation_ && !written) step_ = kFailed;
}

void DownloadWorker::AwaitReply(Lock& lk, uint64_t gen, int limitMs) {
  lk.unlock();
  const bool signalled = replyEvent_.Wait(limitMs);
  lk.lock();
  if (gen != generation_) return;
  step_ = signalled && replyResult_ == 1 ? kSucceeded : kFailed;
}

void DownloadWorker::EnterTransfer(Lock& lk, const std::string& logText, bool askForPowerUp) {
  state_ = kTransfer;
  step_ = kAwaitBootLoader;
  replyResult_ = 0;
  restartAttempts_ = 0;
  reentryRounds_ = 0;
  StartPollLocked();
  lk.unlock();
  view_.AppendLog(logText);
  view_.EnableCancel();
  // The worker stays in the message while the poll goes on; the receive thread closes
  // it when the boot loader of the powered-up device answers.
  if (askForPowerUp) view_.ShowPowerUpMessage();
}

void DownloadWorker::RestartTurn(Lock& lk, uint64_t gen) {
  switch (step_) {
    case kSend:
      SendCommand(lk, gen, kResetCommand, sizeof kResetCommand - 1);
      return;
    case kAwaitReply:
      AwaitReply(lk, gen, kRestartReplyMs);
      return;
    case kSucceeded:
      EnterTransfer(lk, "Device restart ing...\r\n", false);
      return;
    case kFailed:
      replyResult_ = 0;
      if (++restartAttempts_ < kAttempts) {
        step_ = kSend;
      } else if (++reentryRounds_ < kReentryRounds) {
        restartAttempts_ = 0;
        state_ = kReenter;
        step_ = kSend;
        lk.unlock();
        view_.AppendLog("Attempt to re-enter the configuration\r\n");
      } else {
        EnterTransfer(lk, "The device fails to restart\r\n", true);
      }
      return;
    default:
      return;
  }
}

void DownloadWorker::ReenterTurn(Lock& lk, uint64_t gen) {
  switch (step_) {
    case kSend:
      SendCommand(lk, gen, kProbe, sizeof kProbe - 1);
      return;
    case kAwaitReply:
      AwaitReply(lk, gen, kReenterReplyMs);
      return;
    case kSucceeded:
      replyResult_ = 0;
      restartAttempts_ = 0;
      state_ = kRestart;
      step_ = kSend;
      lk.unlock();
      view_.AppendLog("Re-enter the configuration succeeded\r\n");
      return;
    case kFailed:
      replyResult_ = 0;
      if (++restartAttempts_ < kAttempts) {
        step_ = kSend;
      } else {
        EnterTransfer(lk, "Failed to enter the configuration\r\n", true);
      }
      return;
    default:
      return;
  }
}

void DownloadWorker::TransferTurn(Lock& lk, uint64_t gen) {
  if (step_ == kSendBlocks && sentOffset_ < image_.size()) {
    SendBlocks(lk, gen);
    return;
  }
  if (step_ == kFinished) {
    StopPollLocked();
    lk.unlock();
    Stop(true, &gen);
    return;
  }
  // Waiting for the boot loader: the "P" matcher sets the event; a turn ends after at
  // most kBootWaitTurnMs in any case.
  if (step_ == kAwaitBootLoader) replyEvent_.Reset();
  lk.unlock();
  replyEvent_.Wait(kBootWaitTurnMs);
  lk.lock();
  if (gen != generation_ || step_ != kBootLoaderFound) return;
  lk.unlock();
  view_.AppendLog("Device restart succeed\r\n");
  {
    std::lock_guard<std::mutex> turn(bootWriteMutex_);
    if (port_.IsOpen()) port_.Write(&boot::kGo, 1);
  }
  lk.lock();
  if (gen == generation_) step_ = kSendBlocks;
}

void DownloadWorker::SendBlocks(Lock& lk, uint64_t gen) {
  int acknowledged = 0;  // blocks acknowledged in this pass: the progress position
  while (gen == generation_ && step_ == kSendBlocks && sentOffset_ < image_.size()) {
    const boot::BlockPlan plan =
        boot::PlanBlock(sentOffset_, static_cast<uint32_t>(image_.size()));
    const uint32_t blockNo = plan.offset / boot::kBlockBytes + 1;
    replyResult_ = 0;
    replyEvent_.Reset();
    const size_t frameBytes =
        boot::BuildBlockFrame(image_.data() + plan.offset, plan.size, plan.last, frame_.data());
    lk.unlock();
    if (port_.IsOpen())
      port_.Write(reinterpret_cast<const char*>(frame_.data()), static_cast<int>(frameBytes));
    lk.lock();
    if (gen != generation_ || step_ != kSendBlocks) {
      if (gen == generation_) sentOffset_ = 0;
      return;
    }
    lk.unlock();
    const bool signalled = replyEvent_.Wait(kBlockAckMs);
    lk.lock();
    const bool current = gen == generation_;
    if (current && signalled && replyResult_ == 1) {
      if (plan.last) step_ = kFinished;
      sentOffset_ = plan.offset + plan.size;
      ++acknowledged;
      lk.unlock();
      view_.AppendProgressLog(BlockLine(blockNo, " block ok\r\n"));
      if (plan.last) view_.AppendProgressLog("Download success ok\r\n");
      view_.SetProgress(acknowledged);
      lk.lock();
      continue;
    }
    // Refused, not acknowledged in time, or stopped: the boot loader is polled again
    // and, once it answers, the image is sent again from its first block.
    if (current) {
      step_ = kAwaitBootLoader;
      sentOffset_ = 0;
    }
    const bool quitting = quit_;
    lk.unlock();
    if (!quitting)
      view_.AppendLog(BlockLine(blockNo, signalled ? " block error\r\n" : " block timeout error\r\n"));
    lk.lock();
    return;
  }
}

// ---- "P" poll ----

void DownloadWorker::StartPollLocked() {
  {
    std::lock_guard<std::mutex> lock(pollMutex_);
    pollOn_ = true;
    ++pollGen_;
  }
  pollCv_.notify_all();
}

void DownloadWorker::StopPollLocked() {
  {
    std::lock_guard<std::mutex> lock(pollMutex_);
    pollOn_ = false;
    ++pollGen_;
  }
  pollCv_.notify_all();
}

void DownloadWorker::PollLoop() {
  std::unique_lock<std::mutex> lk(pollMutex_);
  while (!pollQuit_) {
    if (!pollOn_) {
      pollCv_.wait(lk, [this] { return pollQuit_ || pollOn_; });
      continue;
    }
    const uint64_t gen = pollGen_;
    const auto period = std::chrono::milliseconds(Timing::Scaled(kBootPollMs));
    if (pollCv_.wait_for(lk, period, [&] { return pollQuit_ || pollGen_ != gen; })) continue;
    lk.unlock();
    line_.WriteIfFree(LineOwner::kDownload, [this] {
      // Tested and written in one step against the worker's 0x06: once the boot loader's
      // answer has moved the step on, no "P" can follow the 0x06 that answers it.
      std::lock_guard<std::mutex> turn(bootWriteMutex_);
      if (WaitingForBootLoader() && port_.IsOpen()) port_.Write(&boot::kPoll, 1);
    });
    lk.lock();
  }
}

#include "fake_boot_device.h"

#include <chrono>
#include <cstring>

#include "base/timing.h"

bool FakeBootDevice::Open(const std::string&, int, int, int, int) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (open_) return false;
  open_ = true;
  return true;
}

void FakeBootDevice::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = false;
  pending_.clear();
  cv_.notify_all();
}

bool FakeBootDevice::IsOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_;
}

int FakeBootDevice::Read(char* buffer) {
  std::unique_lock<std::mutex> lock(mutex_);
  cv_.wait_for(lock, std::chrono::milliseconds(20), [this] { return !pending_.empty(); });
  const size_t n = std::min(pending_.size(), static_cast<size_t>(serial::kMaxReadBytes));
  std::memcpy(buffer, pending_.data(), n);
  pending_.erase(0, n);
  return static_cast<int>(n);
}

int FakeBootDevice::Write(const char* data, int length) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_) return 0;
  written_.append(data, static_cast<size_t>(length));
  for (int i = 0; i < length; ++i) Feed(data[i]);
  return length;
}

void FakeBootDevice::Reply(const std::string& s) {
  if (!open_ || s.empty()) return;
  pending_ += s;
  cv_.notify_all();
}

void FakeBootDevice::Feed(char c) {
  switch (mode_) {
    case Mode::kDone:
      return;
    case Mode::kConfig:
      line_ += c;
      if (line_.size() >= 3 && line_.compare(line_.size() - 3, 3, "---") == 0) {
        ++counts_["---"];
        line_.clear();
        if (!ignoreProbe_) Reply(probeReply_);
      } else if (c == '\n') {
        if (line_ == "AT+RESET\r\n") {
          ++counts_["AT+RESET"];
          if (!ignoreReset_) {
            Reply(resetReply_);
            if (resetRestarts_) mode_ = Mode::kAwaitPoll;
          }
        }
        line_.clear();
      }
      return;
    case Mode::kAwaitPoll:
      if (c == SimBootLoader::kPoll && !ignorePoll_) {
        std::string out;
        loader_.Begin(Timing::NowMs(), out);
        Reply(out);
        mode_ = Mode::kBootLoader;
      }
      return;
    case Mode::kBootLoader: {
      std::string out;
      loader_.Tick(Timing::NowMs());
      if (loader_.Feed(static_cast<unsigned char>(c), Timing::NowMs(), out)) {
        complete_ = true;
        mode_ = Mode::kDone;
      }
      std::string reply;
      for (char r : out) reply += r == static_cast<char>(SimBootLoader::kAck) ? ackText_ : std::string(1, r);
      Reply(reply);
      return;
    }
  }
}

void FakeBootDevice::SetResetReply(const std::string& text, bool restarts) {
  std::lock_guard<std::mutex> lock(mutex_);
  resetReply_ = text;
  resetRestarts_ = restarts;
}
void FakeBootDevice::LoseAckOf(int block) {
  std::lock_guard<std::mutex> lock(mutex_);
  loader_.SetBlockFault(block, SimBootLoader::Fault::LoseAck, 1);
}
void FakeBootDevice::BackToConfig() {
  std::lock_guard<std::mutex> lock(mutex_);
  mode_ = Mode::kConfig;
  line_.clear();
  complete_ = false;
  loader_ = SimBootLoader();
}
bool FakeBootDevice::Complete() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return complete_;
}
std::vector<uint8_t> FakeBootDevice::Image() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::vector<uint8_t>(loader_.Image().begin(), loader_.Image().end());
}
int FakeBootDevice::FramesTaken() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return loader_.FramesAccepted();
}
int FakeBootDevice::Count(const std::string& what) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = counts_.find(what);
  return it == counts_.end() ? 0 : it->second;
}
std::string FakeBootDevice::Written() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return written_;
}

#include "fake_boot_device.h"

#include <chrono>
#include <cstring>

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
  if (!open_ || writeFails_) return 0;
  written_.append(data, static_cast<size_t>(length));
  for (int i = 0; i < length; ++i) Feed(data[i]);
  return length;
}

void FakeBootDevice::Reply(const std::string& s) {
  if (mode_ == Mode::kOff || !open_) return;
  pending_ += s;
  cv_.notify_all();
}

void FakeBootDevice::Feed(char c) {
  switch (mode_) {
    case Mode::kOff:
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
      if (c == 'P' && !ignorePoll_) {
        ++counts_["P"];
        Reply("P");
        mode_ = Mode::kAwaitGo;
      }
      return;
    case Mode::kAwaitGo:
      if (c == 'P') ++counts_["P"];  // already answered; waits for 0x06
      if (c == 0x06) {
        ++counts_["go"];
        image_.clear();
        blockInPass_ = 0;
        frame_.clear();
        mode_ = Mode::kFrames;
      }
      return;
    case Mode::kFrames:
      FrameByte(static_cast<uint8_t>(c));
      return;
  }
}

void FakeBootDevice::FrameByte(uint8_t b) {
  if (frame_.empty()) {
    if (b == 'P') {  // a poll between frames starts over
      ++counts_["P"];
      Reply("P");
      mode_ = Mode::kAwaitGo;
      return;
    }
    if (b != 0x02) return;
  }
  frame_.push_back(b);
  if (frame_.size() < 3) return;
  const int n = frame_[1] << 8 | frame_[2];
  if (n < 1 || n > 4096) {
    frame_.clear();
    Reply(std::string(1, kRefusal));
    mode_ = Mode::kAwaitPoll;
    return;
  }
  if (frame_.size() < static_cast<size_t>(n) + 5) return;
  uint8_t x = 0;
  for (int i = 0; i < n; ++i) x ^= frame_[3 + i];
  const uint8_t end = frame_[4 + n];
  const bool good = x == frame_[3 + n] && (end == 0x17 || end == 0x03);
  std::vector<uint8_t> data(frame_.begin() + 3, frame_.begin() + 3 + n);
  frame_.clear();
  if (good) frames_.push_back({n, end});
  const int block = ++blockInPass_;
  if (!good || (refuse_.count(block) && refuse_[block]-- > 0)) {
    Reply(std::string(1, kRefusal));
    mode_ = Mode::kAwaitPoll;
    return;
  }
  image_.insert(image_.end(), data.begin(), data.end());
  if (end == 0x03) {
    complete_ = true;
    mode_ = Mode::kDone;
  }
  if (lose_.count(block) && lose_[block]-- > 0) return;
  pending_ += ackText_;
  cv_.notify_all();
}

void FakeBootDevice::SetIgnoreReset(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  ignoreReset_ = on;
}
void FakeBootDevice::SetResetReply(const std::string& text, bool restarts) {
  std::lock_guard<std::mutex> lock(mutex_);
  resetReply_ = text;
  resetRestarts_ = restarts;
}
void FakeBootDevice::SetProbeReply(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  probeReply_ = text;
}
void FakeBootDevice::SetIgnorePoll(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  ignorePoll_ = on;
}
void FakeBootDevice::BackToConfig() {
  std::lock_guard<std::mutex> lock(mutex_);
  mode_ = Mode::kConfig;
  line_.clear();
  frame_.clear();
  complete_ = false;
  image_.clear();
  frames_.clear();
}
void FakeBootDevice::SetIgnoreProbe(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  ignoreProbe_ = on;
}
void FakeBootDevice::SetWriteFails(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  writeFails_ = on;
}
void FakeBootDevice::RefuseBlock(int block) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++refuse_[block];
}
void FakeBootDevice::LoseAckOf(int block) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++lose_[block];
}
void FakeBootDevice::SetAckText(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  ackText_ = text;
}
void FakeBootDevice::PowerUp() {
  std::lock_guard<std::mutex> lock(mutex_);
  mode_ = Mode::kAwaitPoll;
  frame_.clear();
}
void FakeBootDevice::PowerOff() {
  std::lock_guard<std::mutex> lock(mutex_);
  mode_ = Mode::kOff;
}
FakeBootDevice::Mode FakeBootDevice::GetMode() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return mode_;
}
bool FakeBootDevice::Complete() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return complete_;
}
std::vector<uint8_t> FakeBootDevice::Image() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return image_;
}
std::vector<FakeBootDevice::Frame> FakeBootDevice::Frames() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return frames_;
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

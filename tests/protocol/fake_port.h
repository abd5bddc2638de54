#pragma once
// A scripted serial port for protocol tests: records what is written and queues the
// blocks a responder returns for each write, which Read then hands out one by one.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "serial/serial_port.h"

class FakePort : public ISerialPort {
 public:
  // Gets each written text; returns the blocks the "device" sends back.
  using Responder = std::function<std::vector<std::string>(const std::string& written)>;

  explicit FakePort(bool open = true) : open_(open) {}

  void SetResponder(Responder responder) {
    std::lock_guard<std::mutex> lock(mutex_);
    responder_ = std::move(responder);
  }
  // Write takes at most this many bytes (-1: all).
  void SetWriteLimit(int limit) {
    std::lock_guard<std::mutex> lock(mutex_);
    writeLimit_ = limit;
  }
  void Feed(std::string block) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      incoming_.push_back(std::move(block));
    }
    cv_.notify_all();
  }
  // The device goes away: Read reports it once the queue is drained.
  void Vanish() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      vanished_ = true;
    }
    cv_.notify_all();
  }
  std::vector<std::string> Written() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return written_;
  }
  void ClearWritten() {
    std::lock_guard<std::mutex> lock(mutex_);
    written_.clear();
  }

  bool Open(const std::string&, int, int, int, int) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (open_) return false;
    open_ = true;
    return true;
  }
  void Close() override {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
  }
  bool IsOpen() const override {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
  }

  int Read(char* buffer) override {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait_for(lock, std::chrono::milliseconds(20),
                 [this] { return !incoming_.empty() || vanished_; });
    if (incoming_.empty()) return vanished_ ? serial::kReadVanished : 0;
    std::string& front = incoming_.front();
    const int n = std::min(static_cast<int>(front.size()), serial::kMaxReadBytes);
    std::copy(front.begin(), front.begin() + n, buffer);
    front.erase(0, static_cast<size_t>(n));
    if (front.empty()) incoming_.pop_front();
    return n;
  }

  int Write(const char* data, int length) override {
    Responder responder;
    int taken = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!open_ || vanished_) return 0;
      taken = writeLimit_ < 0 ? length : std::min(length, writeLimit_);
      written_.emplace_back(data, static_cast<size_t>(taken));
      responder = responder_;
    }
    if (responder) {
      for (std::string& block : responder(std::string(data, static_cast<size_t>(taken)))) {
        Feed(std::move(block));
      }
    }
    return taken;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool open_;
  bool vanished_ = false;
  int writeLimit_ = -1;
  Responder responder_;
  std::vector<std::string> written_;
  std::deque<std::string> incoming_;
};

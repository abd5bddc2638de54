#pragma once
// A serial port for the debug console tests: records what is written and can
// answer it through a responder (called on the writing thread, no lock held).
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "serial/serial_port.h"

class FakePort : public ISerialPort {
 public:
  bool Open(const std::string&, int, int, int, int) override {
    std::lock_guard<std::mutex> lock(m_);
    open_ = true;
    return true;
  }
  void Close() override {
    std::lock_guard<std::mutex> lock(m_);
    open_ = false;
  }
  bool IsOpen() const override {
    std::lock_guard<std::mutex> lock(m_);
    return open_;
  }
  int Read(char*) override { return 0; }
  int Write(const char* data, int length) override {
    std::function<void(const std::string&)> responder;
    int taken;
    std::string text(data, static_cast<size_t>(length));
    {
      std::lock_guard<std::mutex> lock(m_);
      if (!open_) return 0;
      taken = writeLimit_ >= 0 && writeLimit_ < length ? writeLimit_ : length;
      writes_.push_back(text.substr(0, static_cast<size_t>(taken)));
      responder = responder_;
    }
    if (responder && taken == length) responder(text);
    return taken;
  }

  void SetResponder(std::function<void(const std::string&)> r) {
    std::lock_guard<std::mutex> lock(m_);
    responder_ = std::move(r);
  }
  // Each Write takes at most limit bytes (-1: all).
  void SetWriteLimit(int limit) {
    std::lock_guard<std::mutex> lock(m_);
    writeLimit_ = limit;
  }
  std::vector<std::string> Writes() const {
    std::lock_guard<std::mutex> lock(m_);
    return writes_;
  }
  std::string Written() const {
    std::lock_guard<std::mutex> lock(m_);
    std::string all;
    for (const auto& w : writes_) all += w;
    return all;
  }
  int CountWrites(const std::string& text) const {
    std::lock_guard<std::mutex> lock(m_);
    int n = 0;
    for (const auto& w : writes_) n += w == text;
    return n;
  }
  void ClearWrites() {
    std::lock_guard<std::mutex> lock(m_);
    writes_.clear();
  }

 private:
  mutable std::mutex m_;
  bool open_ = true;
  int writeLimit_ = -1;
  std::vector<std::string> writes_;
  std::function<void(const std::string&)> responder_;
};

#pragma once
// Test side of the simulator's port: a plain POSIX descriptor in raw mode, and
// a fixture that runs the simulator at a small time scale.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "base/timing.h"
#include "sim/rtu_sim.h"

// Time scale of these tests: the device's boot window becomes 150 ms.
constexpr double kSimTestScale = 0.05;
// Generous bound (unscaled ms) for a reply that should come at once.
constexpr int kReplyLimitMs = 3000;

class SimPort {
 public:
  explicit SimPort(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) return;
    termios tio{};
    tcgetattr(fd_, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd_, TCSANOW, &tio);
  }
  ~SimPort() {
    if (fd_ >= 0) ::close(fd_);
  }
  SimPort(const SimPort&) = delete;
  SimPort& operator=(const SimPort&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }

  bool Write(const std::string& bytes) {
    return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

  // Reads until the received text contains what, or limitMs (unscaled) passes.
  std::string ReadUntil(const std::string& what, int limitMs = kReplyLimitMs) {
    std::string got;
    int64_t end = Timing::NowMs() + limitMs;
    while (got.find(what) == std::string::npos) {
      int64_t left = end - Timing::NowMs();
      if (left <= 0) break;
      ReadSome(got, static_cast<int>(left));
    }
    return got;
  }

  // Reads until at least n bytes have come, or limitMs passes.
  std::string ReadBytes(size_t n, int limitMs = kReplyLimitMs) {
    std::string got;
    int64_t end = Timing::NowMs() + limitMs;
    while (got.size() < n) {
      int64_t left = end - Timing::NowMs();
      if (left <= 0) break;
      ReadSome(got, static_cast<int>(left));
    }
    return got;
  }

  // Sends a line with CR LF and reads until the OK or ERROR reply has come.
  std::string Command(const std::string& line) {
    Write(line + "\r\n");
    std::string got;
    int64_t end = Timing::NowMs() + kReplyLimitMs;
    while (got.find("\r\nOK\r\n") == std::string::npos &&
           got.find("\r\nERROR\r\n") == std::string::npos) {
      int64_t left = end - Timing::NowMs();
      if (left <= 0) break;
      ReadSome(got, static_cast<int>(left));
    }
    return got;
  }

  // One poll + read; returns the bytes appended (0 on time-out), -1 on error/hang-up.
  int ReadSome(std::string& got, int limitMs) {
    pollfd p{fd_, POLLIN, 0};
    int r = ::poll(&p, 1, limitMs > 50 ? 50 : limitMs);
    if (r <= 0) return 0;
    char buf[4096];
    ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n > 0) {
      got.append(buf, static_cast<size_t>(n));
      return static_cast<int>(n);
    }
    return (n < 0 && errno == EAGAIN) ? 0 : -1;
  }

 private:
  int fd_ = -1;
};

// Sends one byte repeatedly (every 2 ms) until stopped, like a tool polling a
// device that is about to power up.
class BytePump {
 public:
  BytePump(SimPort& port, char byte)
      : thread_([this, &port, byte] {
          while (!stop_.load()) {
            if (port.Write(std::string(1, byte))) sent_.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
          }
        }) {}
  ~BytePump() { Stop(); }
  // Bytes written so far.
  int Sent() const { return sent_.load(); }
  void Stop() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> sent_{0};
  std::thread thread_;
};

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Timing::SetScale(kSimTestScale);
    ASSERT_TRUE(sim.Start());
    port = std::make_unique<SimPort>(sim.PortName());
    ASSERT_TRUE(port->IsOpen());
  }
  void TearDown() override {
    port.reset();
    sim.Stop();
    Timing::SetScale(1.0);
  }
  // Moves the device from run to configuration.
  void EnterConfig() {
    ASSERT_EQ(sim.GetState(), RtuSimulator::State::Run);
    port->Write("---");
    ASSERT_EQ(port->ReadUntil("\r\nCMD OK\r\n"), "\r\nCMD OK\r\n");
    ASSERT_EQ(sim.GetState(), RtuSimulator::State::Config);
  }
  // Upper bound for the end of a boot window (unscaled ms).
  static int BootWindowLimitMs() { return Timing::Scaled(RtuSimulator::kBootWindowMs) + kReplyLimitMs; }

  RtuSimulator sim;
  std::unique_ptr<SimPort> port;
};

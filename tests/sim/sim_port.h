#pragma once
// Test side of the simulator's port (raw POSIX descriptor), a byte pump and the fixture.
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "base/timing.h"
#include "sim/rtu_sim.h"

// Generous bound (unscaled ms) for a reply that should come at once.
constexpr int kReplyLimitMs = 10000;
inline const std::string kCmdOk = "\r\nCMD OK\r\n";
inline const std::string kCmdError = "\r\nCMD ERROR\r\n";

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

  bool IsOpen() const { return fd_ >= 0; }
  bool Write(const std::string& bytes) {
    return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

  // Reads until `done` holds of what came, for at most limitMs (unscaled); stops on a hang-up.
  std::string ReadUntil(const std::function<bool(const std::string&)>& done, int limitMs = kReplyLimitMs) {
    std::string got;
    char buf[4096];
    for (const int64_t end = Timing::NowMs() + limitMs; !done(got) && Timing::NowMs() < end;) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      const ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n <= 0 && !(n < 0 && errno == EAGAIN)) break;
      if (n > 0) got.append(buf, static_cast<size_t>(n));
    }
    return got;
  }
  std::string ReadUntil(const std::string& what) {
    return ReadUntil([&](const std::string& got) { return got.find(what) != std::string::npos; });
  }
  // Sends a line with CR LF (a probe, "---" or "+++", bare) and reads until its reply has come.
  std::string Command(const std::string& line) { return Ask(line + "\r\n", "\r\nOK\r\n", "\r\nERROR\r\n"); }
  std::string Probe(const std::string& probe) { return Ask(probe, kCmdOk, kCmdError); }
  std::string Ask(const std::string& bytes, const std::string& ok, const std::string& error) {
    Write(bytes);
    return ReadUntil([&](const std::string& g) { return g.find(ok) != g.npos || g.find(error) != g.npos; });
  }

 private:
  int fd_ = -1;
};

// Sends one byte every 2 ms until stopped, like a tool polling a device that is
// about to power up.
class BytePump {
 public:
  BytePump(SimPort& port, char byte)
      : thread_([this, &port, byte] {
          while (!stop_.load()) {
            port.Write(std::string(1, byte));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
          }
        }) {}
  ~BytePump() {
    stop_.store(true);
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class SimTest : public ::testing::Test {
 protected:
  using State = RtuSimulator::State;

  void SetUp() override {
    Timing::SetScale(0.05);  // the device's boot window becomes 150 ms
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
    ASSERT_EQ(sim.GetState(), State::Run);
    ASSERT_EQ(port->Probe("---"), kCmdOk);
    ASSERT_EQ(sim.GetState(), State::Config);
  }
  // Sends each (probes bare, other text as a line) and checks the whole reply and the state after it.
  void RunSteps(const std::vector<std::tuple<std::string, std::string, State>>& steps) {
    for (const auto& [send, reply, state] : steps) {
      EXPECT_EQ(send == "---" || send == "+++" ? port->Probe(send) : port->Command(send), reply) << send;
      EXPECT_EQ(sim.GetState(), state) << send;
    }
  }

  RtuSimulator sim;
  std::unique_ptr<SimPort> port;
};

#pragma once
// Test side of the simulator's port (the program's own serial port), a byte pump and the fixture.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "base/timing.h"
#include "serial/serial.h"
#include "sim/rtu_sim.h"
#include "support/wait.h"

// Generous bound (unscaled ms) for a reply that should come at once.
constexpr int kReplyLimitMs = 2 * kTestMarginMs;
inline const std::string kCmdOk = "\r\nCMD OK\r\n";
inline const std::string kCmdError = "\r\nCMD ERROR\r\n";

class SimPort : public CSerial {
 public:
  explicit SimPort(const std::string& path) { Open(path, 115200, 8, serial::kOneStopBit, serial::kParityNone); }

  bool Write(const std::string& bytes) {
    return CSerial::Write(bytes.data(), static_cast<int>(bytes.size())) == static_cast<int>(bytes.size());
  }
  // Reads until `done` holds of what came, for at most limitMs (unscaled); stops when the device is gone.
  std::string ReadUntil(const std::function<bool(const std::string&)>& done, int limitMs = kReplyLimitMs) {
    std::string got;
    std::vector<char> buf(serial::kMaxReadBytes);
    for (const int64_t end = Timing::NowMs() + limitMs; !done(got) && Timing::NowMs() < end;) {
      const int n = Read(buf.data());
      if (n < 0) break;
      got.append(buf.data(), static_cast<size_t>(n));
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

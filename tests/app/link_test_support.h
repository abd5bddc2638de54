#pragma once
// Fixture for the link-state machine tests: a scripted port whose probes are answered
// from a per-port script, fed straight into the machine's reply matcher.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/link_machine.h"
#include "base/timing.h"
#include "fakes.h"

class LinkTest : public ::testing::Test {
 protected:
  // Probe waits of 5000 ms become 50 ms.
  static constexpr double kScale = 0.01;
  static const inline std::string kCmdOk = "\r\nCMD OK\r\n";
  static const inline std::string kCmdError = "\r\nCMD ERROR\r\n";

  void SetUp() override {
    Timing::SetScale(kScale);
    port.OnlyNamedPorts();
    port.SetScript([this](const std::string& bytes) {
      if (bytes != "---") return Blocks{};
      const std::string name = port.Name();
      auto& replies = script[name];
      {
        std::lock_guard<std::mutex> lock(probesMutex_);
        ++probes_[name];
      }
      if (replies.empty()) return Blocks{};
      // Each reply is a list of blocks separated by '|', handed to the machine at once.
      std::string r = replies.front();
      replies.pop_front();
      for (size_t start = 0; !r.empty();) {
        const size_t bar = r.find('|', start);
        const std::string block = r.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        machine.OnReceived(block.data(), static_cast<int>(block.size()));
        if (bar == std::string::npos) break;
        start = bar + 1;
      }
      return Blocks{};
    });
  }
  void TearDown() override { Timing::SetScale(1.0); }

  // "state/step/retry/index", e.g. "1/2/0/1".
  std::string Where() const {
    return std::to_string(machine.LinkState()) + "/" + std::to_string(machine.LinkStep()) + "/" +
           std::to_string(machine.Retry()) + "/" + std::to_string(machine.ProbeIndex());
  }
  // Runs steps until the machine is done (or limit steps) and returns where each step left it.
  std::vector<std::string> RunSteps(int limit = 100) {
    std::vector<std::string> trace;
    while (limit-- > 0 && machine.Step()) trace.push_back(Where());
    return trace;
  }

  // Probes written while the port of that name was open.
  int Probes(const std::string& name) {
    std::lock_guard<std::mutex> lock(probesMutex_);
    return probes_[name];
  }

  ScriptedPort port{false};
  FakeView view;
  LinkMachine machine{port, view};
  // Replies per port name, one per probe; "" leaves a probe unanswered.
  std::map<std::string, std::deque<std::string>> script;
  std::mutex probesMutex_;
  std::map<std::string, int> probes_;
};

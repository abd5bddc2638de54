#pragma once
// Fixture for the link-state machine tests: a fake port whose probes are answered from a
// per-port script, fed straight into the machine's reply matcher.
#include <gtest/gtest.h>

#include <deque>
#include <map>
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
    port.onWrite = [this](const std::string& name, const std::string& bytes) {
      if (bytes != "---") return;
      auto& replies = script[name];
      if (replies.empty()) return;
      // Each reply is a list of blocks separated by '|'.
      std::string r = replies.front();
      replies.pop_front();
      size_t start = 0;
      while (start <= r.size() && !r.empty()) {
        size_t bar = r.find('|', start);
        std::string block = r.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        machine.OnReceived(block.data(), static_cast<int>(block.size()));
        if (bar == std::string::npos) break;
        start = bar + 1;
      }
    };
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

  FakePort port;
  FakeView view;
  LinkMachine machine{port, view};
  // Replies per port name, one per probe; "" leaves a probe unanswered.
  std::map<std::string, std::deque<std::string>> script;
};

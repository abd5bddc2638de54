#pragma once
// The link-state machine on a scripted port whose probes are answered from a per-port
// script, with a view that records what the machine asked of the window.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/link_machine.h"
#include "app/link_view.h"
#include "base/timing.h"
#include "support/scripted_port.h"

using Calls = std::vector<std::string>;
inline const std::string kOk = "\r\nCMD OK\r\n", kError = "\r\nCMD ERROR\r\n";

// Records every view call as a short line ("status confirmed", "tip shown", ...).
class FakeView : public ILinkView {
 public:
  bool configLogVisible = false, downloadVisible = false;

  void RunOnUi(const std::function<void()>& fn) override {
    std::lock_guard<std::recursive_mutex> l(ui_);
    fn();
  }
  void SelectPort(int index) override { Add("select " + std::to_string(index)); }
  void SetPortButtonOpen(bool open) override { Add(open ? "button close" : "button open"); }
  void SetStatus(LinkStatus s) override {
    Add(s == LinkStatus::kClosed ? "status closed"
        : s == LinkStatus::kOpenUnconfirmed ? "status unconfirmed" : "status confirmed");
  }
  void EnableCombos(bool e) override { Add(e ? "combos on" : "combos off"); }
  void SetTipMessage(TipText t) override { Add("tip text " + std::to_string(static_cast<int>(t))); }
  void ShowTip(bool s) override { Add(s ? "tip shown" : "tip hidden"); }
  void EnableMainWindow(bool e) override { Add(e ? "main on" : "main off"); }
  void BringToFront() override { Add("front"); }
  void DebugReceiveOnIfVisible() override { Add("debug receive on"); }
  bool ConfigLogVisible() override { return configLogVisible; }
  bool DownloadVisible() override { return downloadVisible; }
  void CancelPendingLoad() override { Add("cancel load"); }
  // Logs the outcomes the main window acts on.
  void OnLinkOutcome(const LinkOutcome& o) override {
    const char* tool = o.tool == LinkTool::kConfig ? "config" : o.tool == LinkTool::kDownload ? "download" : "";
    if (o.end == LinkEnd::kEntered && *tool) Add(std::string(tool) + " entered");
    if (o.end == LinkEnd::kEntryFailed && o.tool == LinkTool::kConfig) Add("config failed");
    if (o.end == LinkEnd::kNotFound && !o.deniedPorts.empty()) {
      std::string s = "denied";
      for (const auto& p : o.deniedPorts) s += " " + p;
      Add(s);
    }
  }
  Calls Log() const { std::lock_guard<std::mutex> l(m_); return calls_; }
  void ClearCalls() { std::lock_guard<std::mutex> l(m_); calls_.clear(); }

 private:
  void Add(const std::string& s) { std::lock_guard<std::mutex> l(m_); calls_.push_back(s); }
  std::recursive_mutex ui_;
  mutable std::mutex m_;
  Calls calls_;
};

class LinkTest : public ::testing::Test {
 protected:
  // Probe waits of 5000 ms become 50 ms.
  static constexpr double kScale = 0.01;

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
      const std::string r = replies.front();
      replies.pop_front();
      for (size_t start = 0; start <= r.size() && !r.empty();) {
        const size_t bar = std::min(r.find('|', start), r.size());
        machine.OnReceived(r.data() + start, static_cast<int>(bar - start));
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
  Calls RunSteps(int limit = 100) {
    Calls trace;
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

#pragma once
// Fakes for the configuration machine: a view that records what the machine shows,
// and the scripted device wired to the machine's receive entry.
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/cp936.h"
#include "base/timing.h"
#include "config/cfg_machine.h"
#include "protocol/param_table.h"
#include "support/scripted_port.h"

// Test time scale: the 1000 ms reply pause becomes 10 ms, AT+SHOW's 16 s limit 160 ms.
constexpr double kMachineTestScale = 0.01;

inline std::string CmdError() { return "\r\nCMD ERROR\r\n"; }
inline std::string G(const char* utf8) { return GBK(utf8); }
// n copies of text: the expected attempts of a run.
inline std::vector<std::string> Times(int n, const std::string& text) { return std::vector<std::string>(n, text); }

class FakeCfgView : public ICfgView, public ICfgPageAccess {
 public:
  // What the machine showed, in order.
  struct Records {
    std::vector<std::string> log;  // non-empty entries
    std::vector<std::string> tips, skippedTips, questions;
    std::vector<bool> enables;
    std::vector<std::pair<CfgRequest, bool>> requestControls;
    std::vector<std::pair<int, int>> loads;  // controls filled
    std::vector<CfgOutcome> outcomes;
    int closes = 0, releases = 0, powerUpWatches = 0;
  };

  // ICfgPageAccess: a control shows what it was given, an empty text before.
  std::optional<std::string> SaveToTable(int id, int index) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = pages_.find({id, index});
    return it == pages_.end() ? std::string() : it->second;
  }
  void LoadFromTable(int id, int index, const std::string& text) override {
    std::lock_guard<std::mutex> lock(mutex_);
    pages_[{id, index}] = text;
    rec_.loads.push_back({id, index});
  }
  // The user edits a control.
  void Edit(int id, int index, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    pages_[{id, index}] = text;
  }

  bool WithPages(const std::function<void(ICfgPageAccess&)>& fn) override {
    if (shutDown_) return false;
    fn(*this);
    return true;
  }
  void AppendLog(const std::string& text) override {
    Record([&](Records& r) { if (!text.empty()) r.log.push_back(text); });
  }
  void SetOperationsEnabled(bool enable) override { Record([&](Records& r) { r.enables.push_back(enable); }); }
  void SetRequestControlsEnabled(CfgRequest request, bool enable) override {
    Record([&](Records& r) { r.requestControls.push_back({request, enable}); });
  }
  void ShowTip(const std::string& text, const std::function<bool()>& stillWanted) override {
    std::function<void()> before;
    Record([&](Records&) { before = beforeTip_; });
    if (before) before();
    Record([&](Records& r) { (stillWanted && !stillWanted() ? r.skippedTips : r.tips).push_back(text); });
  }
  // Shown as the workspace shows it: the outcome's tip, if any.
  void OnOutcome(const CfgOutcome& outcome, const std::function<bool()>& stillWanted) override {
    Record([&](Records& r) { r.outcomes.push_back(outcome); });
    const std::string tip = TipOf(outcome);
    if (!tip.empty()) ShowTip(tip, stillWanted);
  }
  void CloseTip() override { Record([](Records& r) { ++r.closes; }); }
  bool AskOkCancel(const std::string& text) override {
    Record([&](Records& r) { r.questions.push_back(text); });
    return true;
  }
  void ReleaseHost() override { Record([](Records& r) { ++r.releases; }); }
  void StartPowerUpWatch() override { Record([](Records& r) { ++r.powerUpWatches; }); }

  // Runs when a tip is asked for, before the view decides whether to show it.
  void BeforeTip(std::function<void()> hook) {
    Record([&](Records&) { beforeTip_ = std::move(hook); });
  }
  void SetShutDown(bool s) { shutDown_ = s; }

  Records R() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return rec_;
  }
  void ClearRecords() { Record([](Records& r) { r = {}; }); }
  int LogCount(const std::string& text) const {
    int n = 0;
    for (const auto& l : R().log) n += l.find(text) != std::string::npos;
    return n;
  }
  bool LogHas(const std::string& text) const { return LogCount(text) > 0; }

 private:
  template <typename F>
  void Record(F f) {
    std::lock_guard<std::mutex> lock(mutex_);
    f(rec_);
  }

  mutable std::mutex mutex_;
  std::map<std::pair<int, int>, std::string> pages_;
  Records rec_;
  std::function<void()> beforeTip_;
  std::atomic<bool> shutDown_{false};
};

// The scripted device as the machine sees it: each reply is handed to the sink (the
// machine's receive entry) on the writing thread before the write returns, so that an
// answered command never depends on how soon another thread runs.
class ScriptedDevice : public ScriptedPort {
 public:
  using Sink = std::function<void(const char*, int)>;

  void SetResponder(Script r) {
    SetScript([this, r = std::move(r)](const std::string& written) {
      for (std::string block : r(written)) {
        Sink sink;
        {
          std::lock_guard<std::mutex> lock(sinkMutex_);
          sink = sink_;
        }
        const int n = static_cast<int>(block.size());
        block.push_back('\0');  // blocks are NUL-terminated, as in the program
        if (sink) sink(block.data(), n);
      }
      return Blocks{};
    });
  }
  void SetSink(Sink s) {
    std::lock_guard<std::mutex> lock(sinkMutex_);
    sink_ = std::move(s);
  }

 private:
  std::mutex sinkMutex_;
  Sink sink_;
};

// The machine on a scripted device with a fake view. Tests run the worker's turns on
// their own thread unless they start the worker.
class MachineTest : public ::testing::Test {
 public:
  void SetUp() override {
    Timing::SetScale(kMachineTestScale);
    ResetParamValues();
    device.SetSink([this](const char* d, int n) { machine.OnSerialData(d, n); });
    machine.AttachPort(&device, &line);
  }
  void TearDown() override {
    machine.Stop();
    device.SetSink(nullptr);
    Timing::SetScale(1.0);
  }
  // Runs worker turns until the machine is idle (mode 3) or waits for power-up (mode 0).
  void RunToIdle(int maxTurns = 50) {
    for (int i = 0; i < maxTurns; ++i) {
      const int mode = machine.WorkMode();
      if (mode == kModeIdle || mode == kModeWaitPowerUp) return;
      machine.WorkerTurn();
    }
    FAIL() << "machine did not come to rest";
  }
  // Starts op as its button does and runs it to the end.
  void Run(int op) {
    ASSERT_TRUE(machine.StartOperation(op));
    RunToIdle();
  }

  FakeCfgView view;
  ScriptedDevice device;
  LineArbiter line;
  CfgMachine machine{view};
};

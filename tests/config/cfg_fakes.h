#pragma once
// Fakes for the configuration machine: a view that records what the machine shows,
// and a scripted device port whose replies a delivery thread hands to the machine's
// receive entry, as the main window's receive thread does in the program.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/cp936.h"
#include "base/timing.h"
#include "config/cfg_machine.h"
#include "protocol/param_table.h"
#include "serial/serial_port.h"

// Test time scale: the 1000 ms reply pause becomes 10 ms, AT+SHOW's 16 s limit 160 ms.
constexpr double kMachineTestScale = 0.01;

using Replies = std::vector<std::string>;
inline std::string Ok(const std::string& text = {}) { return text + "\r\nOK\r\n"; }
inline std::string Error() { return "\r\nERROR\r\n"; }
inline std::string CmdOk() { return "\r\nCMD OK\r\n"; }
inline std::string CmdError() { return "\r\nCMD ERROR\r\n"; }
inline std::string G(const char* utf8) { return GBK(utf8); }
// n copies of text: the expected attempts of a run.
inline std::vector<std::string> Times(int n, const std::string& text) { return std::vector<std::string>(n, text); }

// Scripted devices. Silent answers nothing; Responsive is in its configuration state
// and answers everything; Refusing answers the recovery probe and refuses the rest.
inline Replies Silent(const std::string&) { return {}; }
inline Replies Responsive(const std::string& w) { return {w == "---" || w == "+++" ? CmdOk() : Ok()}; }
inline Replies Refusing(const std::string& w) { return {w == "---" ? CmdOk() : Error()}; }

class FakeCfgView : public ICfgView, public ICfgPageAccess {
 public:
  // What the machine showed, in order.
  struct Records {
    std::vector<std::string> log;  // non-empty entries
    std::vector<std::string> tips, skippedTips, questions;
    std::vector<bool> enables;
    std::vector<std::pair<CfgRequest, bool>> requestControls;
    std::vector<std::pair<int, int>> loads;  // controls filled
    int closes = 0, releases = 0;
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
    std::lock_guard<std::mutex> lock(mutex_);
    if (!text.empty()) rec_.log.push_back(text);
  }
  void SetOperationsEnabled(bool enable) override {
    std::lock_guard<std::mutex> lock(mutex_);
    rec_.enables.push_back(enable);
  }
  void SetRequestControlsEnabled(CfgRequest request, bool enable) override {
    std::lock_guard<std::mutex> lock(mutex_);
    rec_.requestControls.push_back({request, enable});
  }
  void ShowTip(const std::string& text, const std::function<bool()>& stillWanted) override {
    std::function<void()> before;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      before = beforeTip_;
    }
    if (before) before();
    std::lock_guard<std::mutex> lock(mutex_);
    (stillWanted && !stillWanted() ? rec_.skippedTips : rec_.tips).push_back(text);
  }
  void CloseTip() override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++rec_.closes;
  }
  bool AskOkCancel(const std::string& text) override {
    std::lock_guard<std::mutex> lock(mutex_);
    rec_.questions.push_back(text);
    return answer_;
  }
  void ReleaseHost() override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++rec_.releases;
  }

  // Runs when a tip is asked for, before the view decides whether to show it.
  void BeforeTip(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    beforeTip_ = std::move(hook);
  }
  void SetAnswer(bool ok) { answer_ = ok; }
  void SetShutDown(bool s) { shutDown_ = s; }

  Records R() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return rec_;
  }
  void ClearRecords() {
    std::lock_guard<std::mutex> lock(mutex_);
    rec_ = {};
  }
  int LogCount(const std::string& text) const {
    int n = 0;
    for (const auto& l : R().log) n += l.find(text) != std::string::npos;
    return n;
  }
  bool LogHas(const std::string& text) const { return LogCount(text) > 0; }

 private:
  mutable std::mutex mutex_;
  std::map<std::pair<int, int>, std::string> pages_;
  Records rec_;
  std::function<void()> beforeTip_;
  std::atomic<bool> answer_{true};
  std::atomic<bool> shutDown_{false};
};

// A device on a scripted line: each write goes to the responder, whose blocks a
// delivery thread passes to the sink (the machine's receive entry).
class ScriptedDevice : public ISerialPort {
 public:
  using Responder = std::function<Replies(const std::string& written)>;
  using Sink = std::function<void(const char*, int)>;

  ScriptedDevice() : thread_([this] { Deliver(); }) {}
  ~ScriptedDevice() override { StopDelivery(); }

  void SetResponder(Responder r) {
    std::lock_guard<std::mutex> lock(mutex_);
    responder_ = std::move(r);
  }
  void SetSink(Sink s) {
    std::lock_guard<std::mutex> lock(mutex_);
    sink_ = std::move(s);
  }
  void SetOpen(bool open) {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = open;
  }
  void StopDelivery() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  std::vector<std::string> Written() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return written_;
  }
  int CountWritten(const std::string& prefix) const {
    int n = 0;
    for (const auto& w : Written()) n += w.compare(0, prefix.size(), prefix) == 0;
    return n;
  }
  void ClearWritten() {
    std::lock_guard<std::mutex> lock(mutex_);
    written_.clear();
  }

  bool Open(const std::string&, int, int, int, int) override { return false; }
  void Close() override { SetOpen(false); }
  bool IsOpen() const override {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
  }
  int Read(char*) override { return 0; }
  // Stateful responders keep their state: the one given is called, under the lock.
  int Write(const char* data, int length) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return 0;
    written_.emplace_back(data, static_cast<size_t>(length));
    if (responder_) {
      for (std::string& b : responder_(written_.back())) queue_.push_back(std::move(b));
      cv_.notify_all();
    }
    return length;
  }

 private:
  void Deliver() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
      cv_.wait(lock, [this] { return stop_ || !queue_.empty(); });
      if (stop_) return;
      std::string block = std::move(queue_.front());
      queue_.pop_front();
      Sink sink = sink_;
      lock.unlock();
      if (sink) sink(block.data(), static_cast<int>(block.size()));
      lock.lock();
    }
  }

  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::string> queue_;
  std::vector<std::string> written_;
  Responder responder_;
  Sink sink_;
  bool open_ = true;
  bool stop_ = false;
  std::thread thread_;
};

// The machine on a scripted device with a fake view. Tests run the worker's turns on
// their own thread unless they start the worker.
class MachineTest : public ::testing::Test {
 public:
  void SetUp() override {
    Timing::SetScale(kMachineTestScale);
    ResetParamValues();
    device.SetSink([this](const char* d, int n) { machine.OnSerialData(d, n); });
    machine.AttachPort(&device);
  }
  void TearDown() override {
    machine.Stop();
    device.StopDelivery();
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
  CfgMachine machine{view};
};

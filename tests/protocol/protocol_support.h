#pragma once
// Support for the protocol tests: a scripted device, a page side and the exchange fixture.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/timing.h"
#include "protocol/exchange.h"
#include "protocol/param_table.h"
#include "protocol/write_back.h"
#include "support/port_reader.h"
#include "support/scripted_port.h"
#include "support/wait.h"

using Lines = std::vector<std::string>;

// The receive side: every block goes to the exchange, as the workspace's receive entry
// hands it on in the program.
inline std::unique_ptr<PortReader> ReceiveInto(ISerialPort& port, CommandExchange& exchange) {
  return std::make_unique<PortReader>(port, [&exchange](const char* d, int n) { exchange.MatchReply(d, n); });
}

// Answers "---" with CMD OK and every other line with OK, or ERROR for lines that
// start with a chosen prefix, a chosen number of times (-1: always).
class ScriptedDevice {
 public:
  void FailTimes(const std::string& prefix, int times) {
    std::lock_guard<std::mutex> lock(mutex_);
    failures_[prefix] = times;
  }
  Lines Reply(const std::string& written) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (written == "---") return {"\r\nCMD OK\r\n"};
    for (auto& [prefix, times] : failures_) {
      if (written.compare(0, prefix.size(), prefix) == 0 && times != 0) {
        times -= times > 0;
        return {written + "\r\nERROR\r\n"};
      }
    }
    return {written + "\r\nOK\r\n"};
  }

 private:
  std::mutex mutex_;
  std::map<std::string, int> failures_;
};

// The page side: every control starts out showing the table (as after a load).
class FakeView : public IWriteBackView {
 public:
  struct Result { bool ok, final; };

  FakeView() {
    for (int id = 0; id <= 163; ++id) {
      const ParamEntry* entry = FindParam(id);
      for (int k = 0; entry != nullptr && k < entry->count; ++k) {
        pages[{id, k}] = GetParamText(id, k).value_or(std::string());
      }
    }
  }

  std::optional<std::string> SaveToTable(int id, int index) override {
    if (noValue.count({id, index})) return std::nullopt;
    return pages[{id, index}];
  }
  void LoadFromTable(int id, int index, const std::string& text) override { pages[{id, index}] = text; }
  void AppendLog(const std::string& text) override { log.push_back(text); }
  void OnWriteResult(int, int, const std::string&, bool ok, bool final) override { results.push_back({ok, final}); }

  std::map<std::pair<int, int>, std::string> pages;
  std::set<std::pair<int, int>> noValue;  // controls holding a text that stands for no value
  Lines log;
  std::vector<Result> results;
};

// Log texts as the device log holds them (code page 936 bytes).
inline const std::string kLogSetOk = "\xC9\xE8\xD6\xC3\xB3\xC9\xB9\xA6\r\n";      // 设置成功
inline const std::string kLogSetFailed = "\xC9\xE8\xD6\xC3\xCA\xA7\xB0\xDC\r\n";  // 设置失败

// "---" until "\r\nCMD OK\r\n", at most 3 times: the worker's recovery.
inline int RecoverConfigState(CommandExchange& exchange) {
  std::string line;
  int ok = 0;
  for (int attempt = 0; attempt < 3 && ok == 0; ++attempt) ok = exchange.RunCommand(kCmdProbe, 0, line);
  return ok;
}

struct OperationOutcome {
  int recoveries = 0;
  bool gaveUp = false;  // a recovery failed
};

// One operation as the worker runs it: passes with a recovery between them; when
// the recovery fails, the retry counter and the pending file values are dropped.
template <class Pass>
OperationOutcome RunOperation(CommandExchange& exchange, Pass pass) {
  OperationOutcome outcome;
  for (int retry = 0; !outcome.gaveUp && pass(retry) != PassResult::Finished;) {
    ++outcome.recoveries;
    outcome.gaveUp = RecoverConfigState(exchange) == 0;
  }
  return outcome;
}
inline OperationOutcome RunWriteAll(CommandExchange& exchange, IWriteBackView& view) {
  return RunOperation(exchange, [&](int& r) { return WriteAll(exchange, view, r); });
}
inline OperationOutcome RunWriteFromFile(CommandExchange& exchange, IWriteBackView& view,
                                         PendingFileValues& pending) {
  const OperationOutcome outcome =
      RunOperation(exchange, [&](int& r) { return WriteFromFile(exchange, view, r, pending); });
  if (outcome.gaveUp) pending.Clear();
  return outcome;
}

// An exchange on the scripted port with a running receive loop, time scaled down.
class ExchangeFixture : public ::testing::Test {
 protected:
  // A parameter's 1000 ms limit becomes 50 ms, ample for a thread hand-over.
  static constexpr double kScale = 0.05;

  void SetUp() override {
    Timing::SetScale(kScale);
    ResetParamValues();
    port.SetScript([this](const std::string& written) { return device.Reply(written); });
    loop = ReceiveInto(port, exchange);
  }
  void TearDown() override {
    loop.reset();
    Timing::SetScale(1.0);
  }
  // The device answers every write with these blocks.
  void Answer(Lines blocks) { port.SetScript([blocks](const std::string&) { return blocks; }); }

  ScriptedPort port;
  CommandExchange exchange{port};
  ScriptedDevice device;
  std::unique_ptr<PortReader> loop;  // declared last: stops before the rest goes
};

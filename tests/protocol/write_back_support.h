#pragma once
// Test support for the write-back passes: a scripted device behind FakePort, a page
// side that records what the passes do, and the operation loop a caller runs
// (pass, recovery on request, pass again).
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "protocol/exchange.h"
#include "protocol/param_table.h"
#include "protocol/write_back.h"

// Answers "---" with CMD OK and every other line with OK, or ERROR for lines that
// start with a chosen prefix, a chosen number of times (-1: always).
class ScriptedDevice {
 public:
  void FailTimes(const std::string& prefix, int times) {
    std::lock_guard<std::mutex> lock(mutex_);
    failures_[prefix] = times;
  }
  void SetSilent(bool silent) {
    std::lock_guard<std::mutex> lock(mutex_);
    silent_ = silent;
  }
  std::vector<std::string> Reply(const std::string& written) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (silent_) return {};
    if (written == "---") return {"\r\nCMD OK\r\n"};
    for (auto& [prefix, times] : failures_) {
      if (written.compare(0, prefix.size(), prefix) == 0 && times != 0) {
        if (times > 0) --times;
        return {written + "\r\nERROR\r\n"};
      }
    }
    return {written + "\r\nOK\r\n"};
  }

 private:
  std::mutex mutex_;
  bool silent_ = false;
  std::map<std::string, int> failures_;
};

// The page side: every control starts out showing the table (as after a load).
class FakeView : public IWriteBackView {
 public:
  struct Result {
    int id;
    int index;
    std::string line;
    bool ok;
    bool final;
  };

  FakeView() {
    for (int id = 0; id <= 163; ++id) {
      const ParamEntry* entry = FindParam(id);
      for (int k = 0; entry != nullptr && k < entry->count; ++k) {
        pages[{id, k}] = GetParamText(id, k).value_or(std::string());
      }
    }
  }

  std::string SaveToTable(int id, int index) override { return pages[{id, index}]; }
  void LoadFromTable(int id, int index, const std::string& text) override {
    pages[{id, index}] = text;
    loads.push_back({id, index, text, true, true});
  }
  void AppendLog(const std::string& text) override { log.push_back(text); }
  void OnWriteResult(int id, int index, const std::string& line, bool ok, bool final) override {
    results.push_back({id, index, line, ok, final});
  }

  std::map<std::pair<int, int>, std::string> pages;
  std::vector<std::string> log;
  std::vector<Result> results;
  std::vector<Result> loads;  // line = the text shown
};

// Log texts as the device log holds them (code page 936 bytes).
inline const std::string kLogSetOk = "\xC9\xE8\xD6\xC3\xB3\xC9\xB9\xA6\r\n";      // 设置成功
inline const std::string kLogSetFailed = "\xC9\xE8\xD6\xC3\xCA\xA7\xB0\xDC\r\n";  // 设置失败

// "---" until "\r\nCMD OK\r\n", at most 3 times: the worker's recovery.
inline int RecoverConfigState(CommandExchange& exchange) {
  int ok = 0;
  for (int attempt = 0; attempt < 3 && ok == 0; ++attempt) {
    std::string line;
    ok = exchange.RunCommand(kCmdProbe, 0, line);
  }
  return ok;
}

struct OperationOutcome {
  int passes = 0;
  int recoveries = 0;
  bool gaveUp = false;  // a recovery failed
};

// One operation as the worker runs it: passes with a recovery between them.
template <class Pass>
OperationOutcome RunWriteBackOperation(CommandExchange& exchange, int& retryCounter, Pass pass) {
  OperationOutcome outcome;
  for (;;) {
    ++outcome.passes;
    if (pass(retryCounter) == PassResult::Finished) break;
    ++outcome.recoveries;
    if (RecoverConfigState(exchange) == 0) {
      retryCounter = 0;
      outcome.gaveUp = true;
      break;
    }
  }
  return outcome;
}

inline OperationOutcome RunWriteAll(CommandExchange& exchange, IWriteBackView& view) {
  int retry = 0;
  return RunWriteBackOperation(exchange, retry,
                               [&](int& r) { return WriteAll(exchange, view, r); });
}

inline OperationOutcome RunWriteFromFile(CommandExchange& exchange, IWriteBackView& view,
                                         PendingFileValues& pending) {
  int retry = 0;
  OperationOutcome outcome = RunWriteBackOperation(
      exchange, retry, [&](int& r) { return WriteFromFile(exchange, view, r, pending); });
  if (outcome.gaveUp) pending.Clear();  // the caller's part when the recovery fails
  return outcome;
}

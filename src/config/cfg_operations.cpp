// The operations of the configuration machine (run on its worker thread).
#include "base/cp936.h"
#include "config/cfg_machine.h"
#include "protocol/listing.h"
#include "protocol/param_table.h"
#include "protocol/write_back.h"

namespace {
std::string TableText(int id, int index) { return GetParamText(id, index).value_or(std::string()); }

struct Texts {
  std::string loading = GBK("正在载入RTU设备参数 ...\r\n");
  std::string loaded = GBK("载入RTU设备参数成功 ...\r\n");
  std::string loadFailed = GBK("载入RTU设备参数失败...\r\n");
  std::string tooLong = GBK("设备参数列表超过40960字节，本次读取无效\r\n");
  std::string waitingPowerUp = GBK("正在等待设备上电后进入配置状态...\r\n");
  std::string backInConfig = GBK("返回配置成功！\r\n");
  std::string fellBack = GBK("快速写入遇到异常，其余参数已按常规间隔写入\r\n");
  std::string verifying = GBK("写入后校验：重新读取设备参数 ...\r\n");
  std::string verifyUnread = GBK("写入后校验失败：未能读取设备参数\r\n");
  std::string differs = GBK("校验不符 ");
  std::string unlisted = GBK("未能校验（设备参数中没有此项） ");
  std::string sent = GBK(" 写入值：");
  std::string held = GBK("，设备值：");
  std::string verifiedAll = GBK("写入后校验：全部参数与写入值一致\r\n");
  std::string verifyFailed = GBK("写入后校验：有参数与写入值不一致\r\n");
};
const Texts& T() {
  static const Texts texts;
  return texts;
}

// The value a parameter's command line carried: after the first "=", without CR LF.
std::string SentValue(const std::string& line) {
  const size_t eq = line.find('=');
  if (eq == std::string::npos) return {};
  std::string value = line.substr(eq + 1);
  while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
  return value;
}
}  // namespace

// The page side of the write-back passes. Once the machine stops, a page reads as
// the table's text, so that a pass cut short by the exit sends nothing.
class CfgMachine::PageBridge : public IWriteBackView {
 public:
  explicit PageBridge(CfgMachine& m) : m_(m) {}
  std::optional<std::string> SaveToTable(int id, int index) override {
    std::optional<std::string> text;
    bool ran = !m_.Stopping() &&
               m_.view_.WithPages([&](ICfgPageAccess& p) { text = p.SaveToTable(id, index); });
    return ran ? text : TableText(id, index);
  }
  void LoadFromTable(int id, int index, const std::string& text) override {
    if (!m_.Stopping())
      m_.view_.WithPages([&](ICfgPageAccess& p) { p.LoadFromTable(id, index, text); });
  }
  void AppendLog(const std::string& text) override { m_.view_.AppendLog(text); }
  void OnWriteResult(int id, int index, const std::string& line, bool ok, bool final) override {
    m_.writes_.OnWriteResult(id, index, line, ok, final);
  }
  bool StopSending() override { return m_.Halted(); }

 private:
  CfgMachine& m_;
};

// 3: the listing read (AT+SHOW, LoggedAttempts), then the changed page controls are filled.
void CfgMachine::LoadAll(int go) {
  if (go == 0) {
    view_.AppendLog(T().loadFailed);
    if (loadRequested_.load()) {
      WaitForPowerUp();
    } else {
      EndOperation({.op = kOpLoadAll, .end = CfgEnd::kFailed});
    }
    return;
  }
  view_.AppendLog(T().loading);
  std::string text;
  if (LoggedAttempts(kCmdShow, text) != 0) {
    view_.AppendLog(text);
    view_.AppendLog(T().loaded);
    SetTableFromDevice(true);
    FillPagesFromTable();
    const bool afterEntry = loadRequested_.exchange(false);
    if (afterEntry) view_.ReleaseHost();
    EndOperation({.op = kOpLoadAll, .end = CfgEnd::kDone, .afterEntry = afterEntry});
    return;
  }
  if (!FailedRun()) return;
  if (loadRequested_.load()) {
    view_.AppendLog(T().waitingPowerUp);
    WaitForPowerUp();
  } else {
    view_.AppendLog(T().loadFailed);
    EndOperation({.op = kOpLoadAll, .end = CfgEnd::kFailed});
  }
}

int CfgMachine::LoggedAttempts(int id, std::string& text) {
  int ok = 0;
  for (int attempt = 0; attempt < kRunAttempts && ok == 0 && !stop_.load(); ++attempt) {
    if (attempt > 0 && Halted()) break;
    std::string line;
    FormatCommandLine(id, 0, line);
    view_.AppendLog(line);
    ok = exchange_.RunCommand(id, 0, line);  // AT+SHOW: the listing goes into the table
    text = exchange_.TakeReceivedText();
    if (id == kCmdShow && exchange_.Overflowed()) view_.AppendLog(T().tooLong);
  }
  return ok;
}

// The device is to be switched off and on: mode 0 makes the power-up watch send "S"
// until "CONFIGURE PROGRAM" arrives, which closes the box and starts the load.
void CfgMachine::WaitForPowerUp() {
  loadRequested_.store(false);
  view_.ReleaseHost();
  EnableOperations(0);
  EnterWaitPowerUp();
  ReportPowerCycle(kOpLoadAll);
}

void CfgMachine::WriteAll(int go) {
  if (go == 1) {
    BeginWritePass();
    PageBridge pages(*this);
    const WriteSelection* selection = selection_ ? &*selection_ : nullptr;
    if (::WriteAll(exchange_, pages, retry_, selection) == PassResult::RecoveryPending) {
      mode_.store(kModeRecovery);
      return;
    }
  }
  EndWriteBack(kOpWriteAll, go);
}

void CfgMachine::BeginWritePass() {
  if (writing_) return;
  writing_ = true;
  const bool fast = fast_.load();
  verifyOp_ = verify_.load() || fast;
  exchange_.SetQuietPause(fast);
}

void CfgMachine::EndWriteBack(int op, int go) {
  writes_.Finish();
  const int failed = writes_.Failed();
  CfgOutcome outcome{.op = op,
                     .end = failed > 0 ? CfgEnd::kFailed : CfgEnd::kDone,
                     .written = writes_.Written(),
                     .failed = failed};
  outcome.fellBack = exchange_.FellBack();
  outcome.halted = Halted();
  exchange_.SetQuietPause(false);
  if (outcome.fellBack) view_.AppendLog(T().fellBack);
  // Not after a failed recovery (the device does not answer), nor once halted.
  if (writing_ && verifyOp_ && go == 1 && outcome.written > 0 && !stop_.load() && !outcome.halted)
    VerifyWrites(outcome);
  writing_ = false;
  writes_.Clear();
  EndOperation(outcome);
}

// The listing read back goes into the table, which the pages then show: a value the
// device changed or reformatted is what a later save compares with. A written instance
// the listing leaves out keeps the value that was sent and counts as not verified.
void CfgMachine::VerifyWrites(CfgOutcome& outcome) {
  view_.AppendLog(T().verifying);
  std::string listing;
  if (LoggedAttempts(kCmdShow, listing) == 0) {
    view_.AppendLog(T().verifyUnread);
    outcome.end = CfgEnd::kFailed;
    return;
  }
  FillPagesFromTable();
  outcome.verified = true;
  const std::set<std::pair<int, int>> listed = ListedInstances(listing);
  for (const WriteOutcome& w : writes_.Results()) {
    const ParamEntry* entry = FindParam(w.id);
    if (!w.ok || entry == nullptr) continue;
    const std::string sent = SentValue(w.line);
    std::string label = FormatLabel(*entry, w.index + 1);
    if (listed.count({w.id, w.index}) == 0) {
      view_.AppendLog(T().unlisted + label + T().sent + sent + "\r\n");
      outcome.differences.push_back({std::move(label), sent, std::string(), false});
      continue;
    }
    std::string held = TableText(w.id, w.index);
    if (held == sent) continue;
    view_.AppendLog(T().differs + label + T().sent + sent + T().held + held + "\r\n");
    outcome.differences.push_back({std::move(label), sent, std::move(held), true});
  }
  view_.AppendLog(outcome.differences.empty() ? T().verifiedAll : T().verifyFailed);
  if (!outcome.differences.empty()) outcome.end = CfgEnd::kFailed;
}

// 14: the file's values that differ from the pages. A value whose write failed before
// the recovery is sent again in the pass after it.
void CfgMachine::WriteFromFile(int go) {
  if (go == 1) {
    BeginWritePass();
    PageBridge pages(*this);
    const WriteSelection* selection = selection_ ? &*selection_ : nullptr;
    if (::WriteFromFile(exchange_, pages, retry_, pendingFile_, selection) ==
        PassResult::RecoveryPending) {
      mode_.store(kModeRecovery);
      return;
    }
  }
  pendingFile_.Clear();
  EndWriteBack(kOpWriteFromFile, go);
}

// 4 (AT+VER) and 8 (AT+RESET): up to three attempts; the reply is logged; the give-up is silent.
void CfgMachine::QueryOnce(int id, int go) {
  if (go == 1) {
    std::string reply;
    if (LoggedAttempts(id, reply) != 0) {
      view_.AppendLog(reply);
      EndOperation({.op = WorkOp(), .end = CfgEnd::kDone, .reply = std::move(reply)});
      return;
    }
    if (!FailedRun()) return;
  }
  EndOperation({.op = WorkOp(), .end = CfgEnd::kFailed});
}

// 7: AT+FACTORY; on success the load follows at once, without enabling in between.
void CfgMachine::FactoryReset(int go) {
  if (go == 1) {
    std::string reply;
    if (LoggedAttempts(kCmdFactory, reply) != 0) {
      view_.AppendLog(reply);
      retry_ = 0;
      op_.store(kOpLoadAll);  // mode stays 1
      view_.OnOutcome({.op = kOpFactoryReset, .end = CfgEnd::kDone}, {});
      return;
    }
    if (!FailedRun()) return;
  }
  // Operation 7 stays set: after the power-up the factory reset is repeated.
  EnableOperations(0);
  EnterWaitPowerUp();
  ReportPowerCycle(kOpFactoryReset);
}

// 5 (AT+CSQ) and 6 (AT+GSN): out of the configuration state into the modem, the
// query, and back. The retry counter is not used.
void CfgMachine::QueryModem(int queryId, const std::string& failText, int go) {
  const int op = WorkOp();
  if (go == 0) {
    EndOperation({.op = op, .end = CfgEnd::kFailed});
    return;
  }
  auto fail = [&] {
    view_.AppendLog(failText);
    EndOperation({.op = op, .end = CfgEnd::kFailed});
  };
  // 1. "---" until the device leaves the configuration state (any answer but CMD OK).
  int i = 0;
  while (i < kRunAttempts && LoggedExchange(kCmdProbe) == 1) ++i;
  if (i == kRunAttempts) return fail();
  // 2. "+++" into the modem.
  bool ok = false;
  for (i = 0; i < kRunAttempts && !ok; ++i) ok = LoggedExchange(kCmdModem) == 1;
  if (!ok) return fail();
  // 3. The query; its logged reply is the result.
  CfgOutcome outcome{.op = op, .end = CfgEnd::kDone};
  ok = false;
  for (i = 0; i < kRunAttempts && !ok; ++i) ok = LoggedExchange(queryId, &outcome.reply) == 1;
  if (!ok) return fail();
  // 4. AT+QUIT, not logged.
  std::string line;
  ok = false;
  for (i = 0; i < kRunAttempts && !ok; ++i) ok = exchange_.RunCommand(kCmdQuit, 0, line) == 1;
  if (ok) {
    // 5. "---" back into the configuration state, not logged.
    for (i = 0; i < kRunAttempts; ++i) {
      if (exchange_.RunCommand(kCmdProbe, 0, line) == 1) {
        view_.AppendLog(T().backInConfig);
        outcome.backInConfig = true;
        break;
      }
    }
  }
  EndOperation(outcome);
}

// 9: AT+EXCCLK= with the clock page's time text; one attempt per run.
void CfgMachine::SetClock(int go) {
  const std::string arg = requests_.Get(CfgRequest::Clock);
  if (arg.empty()) {
    EndOperation({.op = kOpSetClock, .end = CfgEnd::kNothingSent});
    return;
  }
  if (go == 1) {
    view_.SetRequestControlsEnabled(CfgRequest::Clock, false);
    SetParamText(kCmdClock, arg, 0);
    std::string line;
    if (exchange_.RunCommand(kCmdClock, 0, line) != 0) {
      requests_.Clear(CfgRequest::Clock);
      view_.SetRequestControlsEnabled(CfgRequest::Clock, true);
      EndOperation({.op = kOpSetClock, .end = CfgEnd::kDone});
      return;
    }
    if (!FailedRun()) return;
  }
  requests_.Clear(CfgRequest::Clock);
  view_.SetRequestControlsEnabled(CfgRequest::Clock, true);
  EndOperation({.op = kOpSetClock, .end = CfgEnd::kFailed});
}

// 12 and 13: one command with the line and the device's answer logged; the request is
// cleared however the operation ends.
void CfgMachine::RunClearCommand(int id, CfgRequest request, int op, int go) {
  if (go == 1) {
    std::string line;
    const int ok = exchange_.RunCommand(id, 0, line);
    const std::string text = exchange_.TakeReceivedText();
    view_.AppendLog(line);
    view_.AppendLog(text);
    if (ok != 0) {
      requests_.Clear(request);
      EndOperation({.op = op, .end = CfgEnd::kDone});
      return;
    }
    if (!FailedRun()) return;
  }
  requests_.Clear(request);
  EndOperation({.op = op, .end = CfgEnd::kFailed});
}

// 12: AT+CLRCHNNLRCRD= with the storage page's selector.
void CfgMachine::ClearChannelRecords(int go) {
  if (go == 1) SetParamText(kCmdClearRecords, requests_.Get(CfgRequest::ClearRecords), 0);
  RunClearCommand(kCmdClearRecords, CfgRequest::ClearRecords, kOpClearChannelRecords, go);
}

// 13: AT+CLRUPLOSE.
void CfgMachine::ClearBacklog(int go) {
  RunClearCommand(kCmdClearUpLose, CfgRequest::ClearBacklog, kOpClearBacklog, go);
}

// 15: "AT+SETINITDATA" directly followed by "NN=value".
void CfgMachine::SetInitialValue(int go) {
  if (go == 1) {
    view_.SetRequestControlsEnabled(CfgRequest::InitValue, false);
    SetParamText(kCmdSetInitData, requests_.Get(CfgRequest::InitValue), 0);
    if (LoggedExchange(kCmdSetInitData) != 0) {
      requests_.Clear(CfgRequest::InitValue);
      view_.SetRequestControlsEnabled(CfgRequest::InitValue, true);
      EndOperation({.op = kOpSetInitialValue, .end = CfgEnd::kDone});
      return;
    }
    if (!FailedRun()) return;
  }
  requests_.Clear(CfgRequest::InitValue);
  view_.SetRequestControlsEnabled(CfgRequest::InitValue, true);
  EndOperation({.op = kOpSetInitialValue, .end = CfgEnd::kFailed});
}

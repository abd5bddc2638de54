#include "config/cfg_machine.h"

#include <array>

#include "base/cp936.h"
#include "config/picture_reader.h"
#include "config/record_reader.h"
#include "protocol/listing.h"
#include "protocol/param_table.h"
#include "serial/port_texts.h"

// Forwards to the attached port; reports a closed port once detached, so that an
// exchange running while the machine stops fails at once instead of waiting.
class CfgMachine::PortSlot : public ISerialPort {
 public:
  void Attach(ISerialPort* port) { port_.store(port); }
  bool Open(const std::string&, int, int, int, int) override { return false; }
  void Close() override {}
  bool IsOpen() const override {
    ISerialPort* p = port_.load();
    return p && p->IsOpen();
  }
  int Read(char*) override { return 0; }  // the main window's receive thread reads the port
  int Write(const char* data, int length) override {
    ISerialPort* p = port_.load();
    return p ? p->Write(data, length) : 0;
  }
  std::string Name() const override {
    ISerialPort* p = port_.load();
    return p ? p->Name() : std::string();
  }

 private:
  std::atomic<ISerialPort*> port_{nullptr};
};

namespace {
const std::string& TextPortClosed() {
  static const std::string t = GBK(serial::kOpenPortFirstText);
  return t;
}
const std::string& TextAskFactory() {
  static const std::string t = GBK("确定恢复出厂设置吗?");
  return t;
}
const std::string& TextPoweredUp() {
  static const std::string t = GBK("设备上电后进入配置状态成功...\r\n");
  return t;
}
const std::string& TextLoading() {
  static const std::string t = GBK("正在载入RTU设备参数 ...\r\n");
  return t;
}
const std::string& TextOffline() {
  static const std::string t = GBK("离线编辑中，设备操作不可用\r\n");
  return t;
}
constexpr char kPowerUpBanner[] = "CONFIGURE PROGRAM";
// Modes in which an operation runs (and holds the line).
bool Busy(int mode) { return mode == kModeOperation || mode == kModeRecovery; }
}  // namespace

CfgMachine::CfgMachine(ICfgView& view)
    : view_(view),
      port_(std::make_unique<PortSlot>()),
      exchange_(*port_),
      writes_([this](int id, int index, const WriteOutcome& w, bool final) {
        view_.OnWriteResult(id, index, w.line, w.ok, final);
      }) {
  records_ = std::make_unique<RecordReader>(*this);
  pictures_ = std::make_unique<PictureReader>(*this);
  requests_.WakeOnSet(&wake_);
}

CfgMachine::~CfgMachine() { Stop(); }

void CfgMachine::AttachPort(ISerialPort* port, LineArbiter* line) {
  if (stop_.load()) return;
  port_->Attach(port);
  line_.store(line ? line : &ownLine_);
}

bool CfgMachine::PortOpen() const { return port_->IsOpen(); }

bool CfgMachine::PortOpenOrTell() {
  if (PortOpen()) return true;
  view_.ShowTip(TextPortClosed(), {});
  return false;
}

// The front end sets 0 or 3, which the idle worker treats alike: no wake-up needed.
void CfgMachine::SetWorkMode(int mode) {
  if (mode == kModeWaitPowerUp) {
    EnterWaitPowerUp();
  } else {
    mode_.store(mode);
  }
}

void CfgMachine::EnterWaitPowerUp() {
  mode_.store(kModeWaitPowerUp);
  view_.StartPowerUpWatch();
}

void CfgMachine::Start() {
  if (worker_.joinable() || stop_.load()) return;
  worker_ = std::thread([this] { WorkerLoop(); });
}

void CfgMachine::Cancel() {
  stop_.store(true);
  exchange_.ReplyEvent().Set();
  wake_.Set();
}

void CfgMachine::Stop() {
  stop_.store(true);
  port_->Attach(nullptr);
  exchange_.ReplyEvent().Set();
  wake_.Set();
  if (worker_.joinable()) worker_.join();
  lease_.Release();  // an operation cut short by the stop
}

// --- UI side ---

bool CfgMachine::StartOperation(int op) { return StartFromIdle(op, std::nullopt); }

bool CfgMachine::StartFromIdle(int op, std::optional<WriteSelection> selection) {
  if (offline_.load()) {
    view_.AppendLog(TextOffline());
    return false;
  }
  if (!PortOpenOrTell()) return false;
  if ((op == kOpWriteAll || op == kOpFactoryReset) && !BackUpBeforeWrite()) return false;
  if (!Begin(op, kModeIdle, kModeIdle, std::move(selection))) return false;
  EnableOperations(1);
  return true;
}

void CfgMachine::CancelOperation() {
  std::lock_guard<std::mutex> lock(beginMutex_);
  const int mode = mode_.load();
  if (mode == kModeWaitPowerUp) {
    EnableOperations(2);
    mode_.store(kModeIdle);
  } else if (mode == kModeOperation || mode == kModeRecovery) {
    exchange_.Abort();
  }
}

bool CfgMachine::Begin(int op, int fromA, int fromB, std::optional<WriteSelection> selection) {
  std::lock_guard<std::mutex> lock(beginMutex_);
  const int mode = mode_.load();
  if (mode != fromA && mode != fromB) return false;
  exchange_.ClearAbort();
  selection_ = std::move(selection);
  op_.store(op);
  mode_.store(kModeOperation);
  wake_.Set();
  return true;
}

bool CfgMachine::StartFactoryReset() {
  if (!view_.AskOkCancel(TextAskFactory())) return false;
  return StartOperation(kOpFactoryReset);
}

bool CfgMachine::BackUpBeforeWrite() {
  BackupGuard* guard = backup_.load();
  if (!guard || mode_.load() != kModeIdle) return true;
  std::string why;
  if (guard->Before(TableFromDevice(), port_->Name(),
                    [this](const std::string& line) { view_.AppendLog(line); }, &why))
    return true;
  view_.ShowTip(why, {});
  return false;
}

bool CfgMachine::StartWriteAll(std::optional<WriteSelection> selection) {
  return StartFromIdle(kOpWriteAll, std::move(selection));
}

bool CfgMachine::StartWriteFromFile(const std::string& fileText,
                                    std::optional<WriteSelection> selection) {
  if (offline_.load()) {
    view_.AppendLog(TextOffline());
    return false;
  }
  // Backed up before the file's values go into the table.
  if (!BackUpBeforeWrite()) return false;
  // The table must not change under a running operation: only while idle, and no
  // request can start while the file is parsed.
  std::lock_guard<std::mutex> lock(beginMutex_);
  if (mode_.load() != kModeIdle) return false;
  EnableOperations(1);
  ParseListing(fileText.data(), static_cast<int>(fileText.size()));
  selection_ = std::move(selection);
  op_.store(kOpWriteFromFile);
  mode_.store(kModeOperation);
  wake_.Set();
  return true;
}

WritePlan CfgMachine::PlanLocked(WriteSource source) {
  WritePlan plan;
  view_.WithPages([&](ICfgPageAccess& pages) {
    plan = PlanWrite(source, [&](int id, int k) { return pages.SaveToTable(id, k); });
  });
  return plan;
}

std::optional<WritePlan> CfgMachine::PlanWriteAll() {
  std::lock_guard<std::mutex> lock(beginMutex_);
  if (mode_.load() != kModeIdle) return std::nullopt;
  return PlanLocked(WriteSource::kPages);
}

std::optional<WritePlan> CfgMachine::PlanWriteFromFile(const std::string& fileText) {
  std::lock_guard<std::mutex> lock(beginMutex_);
  if (mode_.load() != kModeIdle) return std::nullopt;
  const TableSnapshot before;
  ParseListing(fileText.data(), static_cast<int>(fileText.size()));
  WritePlan plan = PlanLocked(WriteSource::kTable);
  before.Restore();
  return plan;
}

void CfgMachine::EnableOperations(int state) {
  if (state == 0) exchange_.TakeReceivedText();
  view_.SetOperationsEnabled(state != 0 && state != 1);
}

// --- receive side ---

void CfgMachine::OnSerialData(const char* data, int count) {
  if (count <= 0 || !data) return;
  PictureCollector& picture = pictures_->Collector();
  if (picture.Expecting()) picture.CollectPictureBytes(data, count);
  const int mode = mode_.load();
  if (mode == kModeWaitPowerUp) {
    exchange_.AppendReceived(data, count);
    if (exchange_.PeekReceivedText().find(kPowerUpBanner) == std::string::npos) return;
    {
      std::lock_guard<std::mutex> lock(beginMutex_);
      if (mode_.load() != kModeWaitPowerUp) return;
      // An interrupted factory reset is run again; anything else becomes a load.
      if (op_.load() != kOpFactoryReset) op_.store(kOpLoadAll);
      exchange_.ClearAbort();
      mode_.store(kModeOperation);
    }
    wake_.Set();
    view_.AppendLog(TextPoweredUp());
    view_.AppendLog(TextLoading());
    EnableOperations(1);
    view_.CloseTip();
  } else if (mode == kModeOperation || mode == kModeRecovery) {
    exchange_.MatchReply(data, count);
  }
}

bool CfgMachine::PowerUpTick() {
  if (mode_.load() != kModeWaitPowerUp) return false;
  if (PortOpen()) line_.load()->WriteIfFree(LineOwner::kConfig, [this] { port_->Write("S", 1); });
  return true;
}

// --- worker side ---

void CfgMachine::WorkerLoop() {
  // A change made after a turn's reset sets wake_ again; one made before it is seen by
  // the turn (stop_ included), so the wait never misses one.
  while (!stop_.load()) {
    if (WorkerTurn() || stop_.load()) continue;
    idleSleeps_.fetch_add(1);
    wake_.Wait(-1);
  }
}

bool CfgMachine::WorkerTurn() {
  wake_.Reset();
  const int mode = mode_.load();
  if (Busy(mode) && !lease_.Held()) lease_ = line_.load()->Hold(LineOwner::kConfig);
  struct LetGoAtRest {
    CfgMachine& m;
    ~LetGoAtRest() {
      if (!Busy(m.mode_.load())) m.lease_.Release();
    }
  } letGo{*this};
  if (mode == kModeOperation) {
    if (offline_.load()) {
      // A page's request while offline: nothing is sent, the request ends as given up.
      view_.AppendLog(TextOffline());
      retry_ = 0;
      RunOperation(op_.load(), 0);
      return true;
    }
    RunOperation(op_.load(), 1);
    return true;
  }
  if (mode == kModeRecovery) {
    // Once halted, no recovery: the operation gives up at once.
    if (!Halted() && RecoverConfigState() != 0) {
      mode_.store(kModeOperation);
    } else {
      retry_ = 0;
      RunOperation(op_.load(), 0);
    }
    wake_.Wait(kRecoveryPauseMs);
    return true;
  }
  // Idle (3) or waiting for power-up (0): take the first pending request.
  struct Poll {
    CfgRequest request;
    int op;
  };
  static constexpr std::array<Poll, 6> kPolls = {{
      {CfgRequest::Clock, kOpSetClock},
      {CfgRequest::RecordQuery, kOpReadRecords},
      {CfgRequest::Picture, kOpReadPicture},
      {CfgRequest::ClearRecords, kOpClearChannelRecords},
      {CfgRequest::ClearBacklog, kOpClearBacklog},
      {CfgRequest::InitValue, kOpSetInitialValue},
  }};
  int next = 0;
  for (const Poll& p : kPolls) {
    if (requests_.Pending(p.request)) {
      next = p.op;
      break;
    }
  }
  if (next == 0 && loadRequested_.load()) next = kOpLoadAll;
  // The tree and buttons stay disabled while a requested operation runs, so that
  // no button touches the table or the mode under it.
  const bool taken = next != 0 && Begin(next, kModeIdle, kModeWaitPowerUp);
  if (taken) EnableOperations(1);
  retry_ = 0;
  return taken;
}

void CfgMachine::RunOperation(int op, int go) {
  switch (op) {
    case kOpWriteAll: WriteAll(go); return;
    case kOpLoadAll: LoadAll(go); return;
    case kOpQueryVersion: QueryOnce(kCmdVer, go); return;
    case kOpQuerySignal: QueryModem(kCmdCsq, GBK("查询CSQ失败\r\n"), go); return;
    case kOpQueryImei: QueryModem(kCmdGsn, GBK("查询IMEI失败\r\n"), go); return;
    case kOpFactoryReset: FactoryReset(go); return;
    case kOpRestartDevice: QueryOnce(kCmdReset, go); return;
    case kOpSetClock: SetClock(go); return;
    case kOpReadRecords: records_->ReadRecords(go); return;
    case kOpReadPicture: pictures_->ReadPicture(go); return;
    case kOpClearChannelRecords: ClearChannelRecords(go); return;
    case kOpClearBacklog: ClearBacklog(go); return;
    case kOpWriteFromFile: WriteFromFile(go); return;
    case kOpSetInitialValue: SetInitialValue(go); return;
    default: break;
  }
  // No such operation: back to idle rather than spinning in mode 1.
  EndOperation({.op = op, .end = CfgEnd::kNothingSent});
}

int CfgMachine::RecoverConfigState() {
  int ok = 0;
  for (int i = 0; i < kRecoveryProbes && ok == 0; ++i) ok = LoggedExchange(kCmdProbe);
  return ok;
}

bool CfgMachine::FailedRun() {
  ++retry_;
  if (retry_ < kMaxRuns && !Halted()) {
    mode_.store(kModeRecovery);
    return false;
  }
  return true;
}

void CfgMachine::EndOperation(const CfgOutcome& outcome) {
  view_.OnOutcome(outcome, {});
  Idle();
}

void CfgMachine::Idle() {
  EnableOperations(2);
  mode_.store(kModeIdle);
}

void CfgMachine::ReportPowerCycle(int op) {
  view_.OnOutcome({.op = op, .end = CfgEnd::kPowerCycle},
                  [this] { return mode_.load() == kModeWaitPowerUp; });
}

int CfgMachine::LoggedExchange(int id, std::string* received) {
  std::string line;
  FormatCommandLine(id, 0, line);
  view_.AppendLog(line);
  const int ok = exchange_.RunCommand(id, 0, line);
  const std::string text = exchange_.TakeReceivedText();
  view_.AppendLog(text);
  if (received) *received = text;
  return ok;
}

void CfgMachine::FillPagesFromTable() {
  view_.WithPages([](ICfgPageAccess& pages) {
    for (int id = 0; id <= kLastParamId; ++id) {
      const ParamEntry* entry = FindParam(id);
      if (!entry) continue;
      for (int k = 0; k < entry->count; ++k) {
        const std::string table = GetParamText(id, k).value_or(std::string());
        if (pages.SaveToTable(id, k) != table) pages.LoadFromTable(id, k, table);
      }
    }
  });
}

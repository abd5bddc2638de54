#pragma once
// The configuration workspace's operation machine: one worker thread does all device
// talk, one operation at a time; a failed run gets one recovery ("---" until
// "\r\nCMD OK\r\n") and one more run. Also the receive entry, the power-up watch and
// the UI's ways of starting operations. Qt-free: everything visible goes through
// ICfgView. The command line front end uses the same machine. An operation holds the
// serial line (LineArbiter) while it runs; the power-up "S" is a background write.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "base/event.h"
#include "protocol/backup.h"
#include "config/cfg_outcome.h"
#include "config/cfg_requests.h"
#include "config/cfg_view.h"
#include "config/write_plan.h"
#include "config/write_results.h"
#include "protocol/exchange.h"
#include "protocol/write_back.h"
#include "serial/line_arbiter.h"
#include "serial/serial_port.h"

// m_nWorkMode values.
enum WorkMode { kModeWaitPowerUp = 0, kModeOperation = 1, kModeRecovery = 2, kModeIdle = 3 };

// m_nWorkOp values. 1 is not used.
enum CfgOperation {
  kOpWriteAll = 2,
  kOpLoadAll = 3,
  kOpQueryVersion = 4,
  kOpQuerySignal = 5,
  kOpQueryImei = 6,
  kOpFactoryReset = 7,
  kOpRestartDevice = 8,
  kOpSetClock = 9,
  kOpReadRecords = 10,
  kOpReadPicture = 11,
  kOpClearChannelRecords = 12,
  kOpClearBacklog = 13,
  kOpWriteFromFile = 14,
  kOpSetInitialValue = 15,
};

constexpr int kRecoveryPauseMs = 50;  // the worker's pause after a recovery turn
constexpr int kPowerUpTickMs = 50;   // one "S" this often while waiting for power-up
constexpr int kRunAttempts = 3;      // attempts per run of the repeating operations
constexpr int kRecoveryProbes = 3;   // "---" exchanges of one recovery
constexpr int kMaxRuns = 2;          // the retry counter value at which an operation gives up

class PictureReader;
class RecordReader;

class CfgMachine {
 public:
  explicit CfgMachine(ICfgView& view);
  ~CfgMachine();
  CfgMachine(const CfgMachine&) = delete;
  CfgMachine& operator=(const CfgMachine&) = delete;

  // The serial port every exchange uses (null: none) and the arbiter of its line (null: one
  // of the machine's own). Stop() detaches the port, so that any exchange still under way
  // fails at once. Before Start.
  void AttachPort(ISerialPort* port, LineArbiter* line = nullptr);
  bool PortOpen() const;
  // The buttons' first check: with the port closed, the tip "请先打开串口" and false.
  bool PortOpenOrTell();

  // Starts the worker thread (WorkerLoop).
  void Start();
  // Raises the stop flag, detaches the port, wakes the worker and joins it. The view
  // must make its blocking calls return at once before this is called.
  void Stop();
  // From any thread: raises the stop flag and ends the waits, so that the operation under
  // way (on whichever thread runs the turns) fails at once and no other starts. The
  // owner's Stop() still follows.
  void Cancel();
  bool Stopping() const { return stop_.load(); }
  // A flag (null: none) that, once raised, ends the running operation after the command in
  // flight: no further command of it goes out, a write-back skips its verification, a
  // record read or a snapshot stops waiting. Its waits for the command in flight are not
  // cut short. The command line points it at its interruption flag, which a signal handler
  // raises. Before the operation starts.
  void SetHaltFlag(const std::atomic<bool>* flag) { halt_.store(flag); }
  bool Halted() const {
    const std::atomic<bool>* flag = halt_.load();
    return flag != nullptr && flag->load();
  }

  // The workspace's fields.
  int WorkMode() const { return mode_.load(); }
  void SetWorkMode(int mode);
  int WorkOp() const { return op_.load(); }
  int OpRetry() const { return retry_; }  // worker's thread only
  void RequestLoad() {
    loadRequested_.store(true);
    wake_.Set();
  }
  bool LoadRequested() const { return loadRequested_.load(); }
  void ClearLoadRequest() { loadRequested_.store(false); }
  CfgRequests& Requests() { return requests_; }
  // Options of the write-back operations that start from now on (any thread): verify
  // reads the listing back after the writes and compares every written instance; fast
  // ends a setter's pause once the line is quiet, and always verifies.
  void SetWriteOptions(bool verify, bool fast) {
    verify_.store(verify);
    fast_.store(fast);
  }
  CommandExchange& Exchange() { return exchange_; }
  ICfgView& View() { return view_; }
  // Operations 10 (stored records) and 11 (camera snapshot) with their shared state.
  RecordReader& Records() { return *records_; }
  PictureReader& Pictures() { return *pictures_; }

  // Offline editing (a .cfg file on the pages, no device): every operation is refused
  // with a note in the log; a page request ends at once as given up.
  void SetOffline(bool offline) { offline_.store(offline); }
  bool Offline() const { return offline_.load(); }

  // --- UI side ---
  // Starts operation op as a button does: port closed → "请先打开串口"; idle (mode 3) →
  // operations disabled, mode 1, op; otherwise nothing. True when started.
  bool StartOperation(int op);
  // Ends a running operation at once ("取消操作", the port closed or gone): its waits
  // return, nothing more is sent, and the worker brings the workspace back to idle when it
  // has really left the operation. Waiting for power-up (no worker inside) ends at once.
  void CancelOperation();
  // "出厂配置": asks "确定恢复出厂设置吗?" first (Cancel ends it before the port test).
  bool StartFactoryReset();
  // "保存参数": operation 2 as StartOperation starts it, sending only the instances in
  // selection (all when none is given).
  bool StartWriteAll(std::optional<WriteSelection> selection = std::nullopt);
  // "从配置文件配置" once the file text is read: disables the operations, parses the text
  // into the table and starts operation 14, limited to selection when one is given.
  // Only while idle; false otherwise.
  bool StartWriteFromFile(const std::string& fileText,
                          std::optional<WriteSelection> selection = std::nullopt);
  // What operation 2, or operation 14 with fileText, would send now; nothing is sent and
  // the table is left as it was. Only while idle (std::nullopt otherwise). Reads the
  // pages through the view, so not on the worker thread.
  std::optional<WritePlan> PlanWriteAll();
  std::optional<WritePlan> PlanWriteFromFile(const std::string& fileText);
  // Backs up the device's values before a write pass, a file apply or a factory reset
  // (null: no backups). A backup that cannot be written stops the start with a tip.
  void SetBackup(BackupGuard* guard) { backup_.store(guard); }
  // 0: disable the tree and buttons and empty the received text; 1: disable; other: enable.
  void EnableOperations(int state);

  // Receive entry (receive thread): while a snapshot is expected the block goes to the
  // picture collector first; then mode 0 watches for "CONFIGURE PROGRAM", modes 1 and 2
  // feed the exchange, mode 3 drops the block.
  void OnSerialData(const char* data, int count);
  // Power-up watch, every kPowerUpTickMs from ICfgView::StartPowerUpWatch on: one "S"
  // while in mode 0 with the port open, unless another owner holds the line. False once
  // the mode has left 0 (the watch ends).
  bool PowerUpTick();

  // --- worker side (public for tests and the command line) ---
  // One turn of WorkerLoop. False when idle with nothing to take: the worker then
  // sleeps until a request, a mode change or Stop wakes it. The line is held from the
  // first turn of an operation to the turn at whose end it rests (idle or waiting for a
  // power-up), so that no background byte lands between two of its exchanges.
  bool WorkerTurn();
  // How often the worker thread has gone to sleep with nothing to do (tests wait for it).
  int IdleSleeps() const { return idleSleeps_.load(); }
  void RunOperation(int op, int go);
  // Up to three logged "---" exchanges; 1 as soon as one is answered "\r\nCMD OK\r\n".
  int RecoverConfigState();
  // Puts the table's text into every page control that shows something else.
  void FillPagesFromTable();

  // The retry rule after a run whose attempts all failed: counts the failure; below
  // kMaxRuns it hands over to recovery (mode 2) and returns false; else true (give up).
  bool FailedRun();
  // End of every operation: the outcome reported, operations enabled, mode 3.
  void EndOperation(const CfgOutcome& outcome);
  // line, AppendLog(line), RunCommand, AppendLog(received text). Returns RunCommand's
  // result; the received text also goes to *received when given.
  int LoggedExchange(int id, std::string* received = nullptr);

 private:
  class PortSlot;
  class PageBridge;

  // op and mode 1, when the mode is fromA or fromB. Every start of an operation from
  // another mode goes through here, so that two starters never mix op and mode.
  // selection: what a write-back operation may send (none: everything).
  bool Begin(int op, int fromA, int fromB, std::optional<WriteSelection> selection = std::nullopt);
  // StartOperation, with what a write-back operation may send.
  bool StartFromIdle(int op, std::optional<WriteSelection> selection);
  // The plan of source with the pages' texts; beginMutex_ held, idle.
  WritePlan PlanLocked(WriteSource source);
  // The backup before a write, while idle; false when it failed (the tip says why).
  bool BackUpBeforeWrite();
  void WorkerLoop();
  void LoadAll(int go);
  // Command id, logged, up to kRunAttempts times until one is answered (AT+SHOW: and
  // parsed into the table); text: the last attempt's received text. A listing that
  // overflowed the receive text is a failed attempt, noted in the log.
  int LoggedAttempts(int id, std::string& text);
  void WaitForPowerUp();
  // Mode 0, and the front end's power-up watch started.
  void EnterWaitPowerUp();
  void WriteAll(int go);
  void WriteFromFile(int go);
  void QueryOnce(int id, int go);       // 4 and 8
  void FactoryReset(int go);
  void QueryModem(int queryId, const std::string& failText, int go);  // 5 and 6
  void SetClock(int go);
  void ClearChannelRecords(int go);
  void ClearBacklog(int go);
  // Operation op: command id, its line and answer logged; request cleared at the end.
  void RunClearCommand(int id, CfgRequest request, int op, int go);
  void SetInitialValue(int go);
  // Before each write-back pass: the first pass of an operation takes its options.
  void BeginWritePass();
  // The end of a write-back operation (go: its last recovery succeeded): the verification
  // when asked for, its counts reported, then EndOperation.
  void EndWriteBack(int op, int go);
  // The listing read back; every written instance compared with what its line sent.
  void VerifyWrites(CfgOutcome& outcome);
  // The outcome, with the wait for a power-up as the condition of its box.
  void ReportPowerCycle(int op);
  // Operations enabled, mode 3.
  void Idle();

  ICfgView& view_;
  std::unique_ptr<PortSlot> port_;
  LineArbiter ownLine_;
  std::atomic<LineArbiter*> line_{&ownLine_};
  LineArbiter::Lease lease_;  // held while an operation runs; the worker's own
  CommandExchange exchange_;
  CfgRequests requests_;
  std::mutex beginMutex_;
  std::atomic<int> mode_{kModeIdle};
  std::atomic<int> op_{0};
  std::atomic<bool> loadRequested_{false};
  std::atomic<BackupGuard*> backup_{nullptr};
  std::atomic<bool> offline_{false};
  int retry_ = 0;  // m_nOpRetry; the worker's own
  PendingFileValues pendingFile_;  // WriteFromFile's unapplied file values; the worker's own
  // The write-back operation's ticked instances; set by Begin, read by the worker.
  std::optional<WriteSelection> selection_;
  WriteResultTracker writes_;      // the write-back operation's outcomes; the worker's own
  std::atomic<bool> verify_{false};
  std::atomic<bool> fast_{false};
  bool writing_ = false;   // a write-back operation has begun its passes; the worker's own
  bool verifyOp_ = false;  // its options, taken at its first pass; the worker's own
  std::atomic<bool> stop_{false};
  std::atomic<const std::atomic<bool>*> halt_{nullptr};
  Event wake_;  // set on every change the idle worker looks at; reset at each turn
  std::atomic<int> idleSleeps_{0};
  std::thread worker_;
  std::unique_ptr<RecordReader> records_;
  std::unique_ptr<PictureReader> pictures_;
};

#pragma once
// The write-back passes: send the instances whose page text differs from the table
// (WriteAll) or whose table value (from a file) differs from the page (WriteFromFile).
// Shared by the configuration workspace's worker and the command line.
//
// How a caller drives one operation (one button press, one CLI command):
//
//   int retry = 0;                    // the worker's m_nOpRetry; 0 while idle
//   PendingFileValues pending;        // WriteFromFile only
//   while (WriteFromFile(exchange, view, retry, pending) == PassResult::RecoveryPending) {
//     if (!recover()) {               // "---" until "\r\nCMD OK\r\n", up to 3 times
//       retry = 0;                    // give up: nothing more is sent
//       break;
//     }
//   }
//   pending.Clear();                  // then enable the page controls, idle
//
// The first failure of an operation asks for recovery: the rest of that parameter's
// instances wait, the pass goes on with the next parameter and then returns
// RecoveryPending. After the recovery the pass runs again from the start and sends
// what still differs (for WriteFromFile also every file value whose write failed).
// Later failures are logged "设置失败" and the pass goes on. A write that fails leaves
// the table at the device's previous value; the page keeps showing the wanted value.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

class CommandExchange;
struct ParamEntry;

// Which side of a pass holds the values to write: the pages (WriteAll) or the table,
// filled from a file (WriteFromFile).
enum class WriteSource { kPages, kTable };

// The one rule of both passes: whether the instance whose page control shows page
// (std::nullopt: no value) and whose table text is table is sent.
bool WouldSend(WriteSource source, const std::optional<std::string>& page, const std::string& table);

// The label of instance index of entry as the log and the review show it: the listing
// label without its closing colon.
std::string InstanceLabel(const ParamEntry& entry, int index);

// Instances (id, index) a pass may send; the others are left as they are.
using WriteSelection = std::set<std::pair<int, int>>;

// The page side, as the passes see it. Called on the thread that runs the pass.
class IWriteBackView {
 public:
  virtual ~IWriteBackView() = default;
  // The text the page control of (id, index) shows now; std::nullopt when it holds no
  // value (WriteAll then sends nothing for it and logs "<label>: 无效的值，未写入").
  virtual std::optional<std::string> SaveToTable(int id, int index) = 0;
  // Shows text in the page control of (id, index).
  virtual void LoadFromTable(int id, int index, const std::string& text) = 0;
  // One log text (device bytes, code page 936), e.g. a command line or "设置成功\r\n".
  virtual void AppendLog(const std::string& text) = 0;
  // Outcome of one write: line is the command line sent. final is false only for the
  // failure that hands over to recovery (the instance is sent again after it).
  virtual void OnWriteResult(int id, int index, const std::string& line, bool ok, bool final) {}
  // True once the operation is to end after the command in flight: the pass sends nothing
  // more and returns Finished (a value still pending after a recovery is dropped).
  virtual bool StopSending() { return false; }
};

enum class PassResult {
  Finished,          // pass over; the caller ends the operation (idle)
  RecoveryPending,   // a first failure: the caller recovers, then runs the pass again
};

// File values (device form) of WriteFromFile whose write failed, kept across the
// recovery so that the next pass sends the file's value again. One per operation.
class PendingFileValues {
 public:
  void Add(int id, int index, std::string value) { values_[{id, index}] = std::move(value); }
  // nullptr when (id, index) has no pending value.
  const std::string* Find(int id, int index) const {
    const auto it = values_.find({id, index});
    return it == values_.end() ? nullptr : &it->second;
  }
  void Remove(int id, int index) { values_.erase({id, index}); }
  bool Empty() const { return values_.empty(); }
  int Size() const { return static_cast<int>(values_.size()); }
  void Clear() { values_.clear(); }

 private:
  std::map<std::pair<int, int>, std::string> values_;
};

// One pass. retryCounter is the operation's failure counter (reset when the worker is
// idle); the first failure asks for recovery, later failures are logged "设置失败".
// selection (null: every instance) limits what is sent; an instance outside it keeps
// the device's value in the table (for WriteFromFile, the page's text).
PassResult WriteAll(CommandExchange& exchange, IWriteBackView& view, int& retryCounter,
                    const WriteSelection* selection = nullptr);
// pending carries the unapplied file values from one pass to the next; it is empty
// again when the pass returns Finished.
PassResult WriteFromFile(CommandExchange& exchange, IWriteBackView& view, int& retryCounter,
                         PendingFileValues& pending, const WriteSelection* selection = nullptr);

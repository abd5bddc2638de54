#pragma once
// The write-back passes: send the instances whose page text differs from the table
// (WriteAll) or whose table value (from a file) differs from the page (WriteFromFile).
// Shared by the configuration workspace's worker and the command line.
#include <string>

class CommandExchange;

// The page side, as the passes see it.
class IWriteBackView {
 public:
  virtual ~IWriteBackView() = default;
  // The text the page control of (id, index) shows now.
  virtual std::string SaveToTable(int id, int index) = 0;
  // Shows text in the page control of (id, index).
  virtual void LoadFromTable(int id, int index, const std::string& text) = 0;
  // One log text (device bytes, code page 936), e.g. a command line or "设置成功\r\n".
  virtual void AppendLog(const std::string& text) = 0;
  // Outcome of one instance's write (for summaries); attempt counts from 1.
  virtual void OnWriteResult(int id, int index, const std::string& line, bool ok, bool final) {}
};

enum class PassResult {
  Finished,          // pass over; the caller ends the operation (idle)
  RecoveryPending,   // a first failure: the caller recovers, then runs the pass again
};

// One pass. retryCounter is the operation's failure counter (reset when the worker is
// idle); the first failure asks for recovery, later failures are logged "设置失败".
PassResult WriteAll(CommandExchange& exchange, IWriteBackView& view, int& retryCounter);
PassResult WriteFromFile(CommandExchange& exchange, IWriteBackView& view, int& retryCounter);

#include "config/record_reader.h"

#include "base/timing.h"
#include "config/cfg_machine.h"
#include "protocol/param_table.h"

namespace {
// The acknowledgement's value: the line becomes "AT+RDCHNNLRCRD=\r\nOK\r\n" + CR LF.
constexpr char kAcknowledge[] = "\r\nOK\r\n";
constexpr size_t kQueryReplySkip = 6;  // the "\r\nOK\r\n" that acknowledges the query

}  // namespace

RecordReader::RecordReader(CfgMachine& machine) : machine_(machine) {}

bool RecordReader::Request(int channel, const RecordDate& from, const RecordDate& to) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (State() == ExportState::Reading) return false;
    text_ = RecordExportHeader();
    records_ = 0;
    batches_ = 0;
    end_ = static_cast<int>(RecordReadEnd::None);
    startMs_ = Timing::NowMs();
    endMs_ = -1;
    ended_.Reset();
    state_ = static_cast<int>(ExportState::Reading);
  }
  machine_.Requests().Set(CfgRequest::RecordQuery, FormatRecordQuery(channel, from, to));
  return true;
}

void RecordReader::SetIdle() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (State() != ExportState::Reading) state_ = static_cast<int>(ExportState::Idle);
}

int64_t RecordReader::ElapsedMs() const {
  const int64_t end = endMs_.load();
  return (end >= 0 ? end : Timing::NowMs()) - startMs_.load();
}

std::string RecordReader::Text() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return text_;
}

void RecordReader::SetProgressObserver(std::function<void(int)> observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  observer_ = std::move(observer);
}

// The command lines of a read carry their argument in the table's entry of the command,
// which the listing also shows ("Record:"): the entry gets back what it held before the
// read (a recovery's second run keeps the first one's), so that a .cfg saved afterwards
// holds the device's value and not the last line's.
void RecordReader::KeepRecordEntry() {
  if (kept_) return;
  if (const ParamEntry* entry = FindParam(kCmdReadRecords)) keptValue_ = GetRawValue(*entry, 0);
  kept_ = true;
}

void RecordReader::Finish(ExportState state, RecordReadEnd end) {
  if (kept_) {
    if (const ParamEntry* entry = FindParam(kCmdReadRecords)) SetRawValue(*entry, 0, keptValue_);
    kept_ = false;
  }
  machine_.Requests().Clear(CfgRequest::RecordQuery);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    end_ = static_cast<int>(end);
    endMs_ = Timing::NowMs();
    state_ = static_cast<int>(state);
    ended_.Set();
  }
  machine_.EndOperation({.op = kOpReadRecords,
                         .end = state == ExportState::Finished ? CfgEnd::kDone : CfgEnd::kFailed});
}

void RecordReader::ReadRecords(int go) {
  const std::string query = machine_.Requests().Get(CfgRequest::RecordQuery);
  if (query.empty()) {
    machine_.EndOperation({.op = kOpReadRecords, .end = CfgEnd::kNothingSent});
    return;
  }
  CommandExchange& exchange = machine_.Exchange();
  if (go == 1) {
    KeepRecordEntry();
    SetParamText(kCmdReadRecords, query, 0);
    std::string line;
    const int ok = exchange.RunCommand(kCmdReadRecords, 0, line);
    std::string text = exchange.TakeReceivedText();
    if (ok == 0) {
      if (!machine_.FailedRun()) return;  // recovery, then a second run
      Finish(ExportState::Failed, RecordReadEnd::Command);
      return;
    }
    text.erase(0, kQueryReplySkip);
    const int64_t deadline = Timing::NowMs() + Timing::Scaled(kRecordReadLimitMs);
    while (true) {
      int found = 0;
      int r;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        r = ParseRecordBatch(text, text_, &found);
      }
      records_ += found;
      ++batches_;
      std::function<void(int)> observer;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        observer = observer_;
      }
      if (observer) observer(records_.load());
      if (r == 1) return Finish(ExportState::Finished, RecordReadEnd::Complete);
      if (r < 0) {
        return Finish(ExportState::Failed,
                      text.empty() ? RecordReadEnd::Silence : RecordReadEnd::Garbled);
      }
      if (machine_.Stopping()) return Finish(ExportState::Failed, RecordReadEnd::Silence);
      if (machine_.Halted()) return Finish(ExportState::Failed, RecordReadEnd::Cancelled);
      if (Timing::NowMs() >= deadline) return Finish(ExportState::Finished, RecordReadEnd::TimedOut);
      // Acknowledge and fetch the next batch; whatever arrived is the next text.
      SetParamText(kCmdReadRecords, kAcknowledge, 0);
      exchange.RunCommand(kCmdReadRecords, 0, line);
      text = exchange.TakeReceivedText();
    }
  }
  Finish(ExportState::Failed, RecordReadEnd::Command);
}

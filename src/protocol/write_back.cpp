// The write-back passes. Parameters go in ascending id order (not table position
// order); every instance whose page and table texts differ is sent with one
// exchange. A failed write never leaves the table holding the refused value: it
// goes back to the device's previous value, so the next pass (or the next button
// press) finds the instance different again.
#include "protocol/write_back.h"

#include "base/cp936.h"
#include "protocol/exchange.h"
#include "protocol/param_table.h"

namespace {

constexpr int kGiveUpRetries = 2;  // the second failure of an operation is final

const std::string& SetOkText() {
  static const std::string text = GBK("设置成功\r\n");
  return text;
}

const std::string& SetFailedText() {
  static const std::string text = GBK("设置失败\r\n");
  return text;
}

// "<label>: 无效的值，未写入": the page holds a text that stands for no value, so the
// parameter keeps its table value.
std::string NoValueText(const ParamEntry& entry, int index) {
  static const std::string text = GBK(": 无效的值，未写入\r\n");
  return InstanceLabel(entry, index) + text;
}

bool Excluded(const WriteSelection* selection, int id, int index) {
  return selection != nullptr && selection->count({id, index}) == 0;
}

// What became of one instance of a pass.
enum class Outcome { Skipped, Written, Failed, Recover };

// Sends (id, index) with the table's current text and logs the line and the outcome.
Outcome SendInstance(CommandExchange& exchange, IWriteBackView& view, int& retryCounter, int id,
                     int index) {
  std::string line;
  FormatCommandLine(id, index, line);
  view.AppendLog(line);
  std::string sent;
  if (exchange.RunCommand(id, index, sent) != 0) {
    view.AppendLog(SetOkText());
    view.OnWriteResult(id, index, line, true, true);
    return Outcome::Written;
  }
  ++retryCounter;
  if (retryCounter >= kGiveUpRetries) {
    view.AppendLog(SetFailedText());
    view.OnWriteResult(id, index, line, false, true);
    return Outcome::Failed;
  }
  view.OnWriteResult(id, index, line, false, false);
  return Outcome::Recover;
}

// The loop both passes share: every instance in ascending id order, until the view asks
// to stop (Finished). writeInstance(entry, id, index) sends one instance or skips it; when
// it asks for recovery, the remaining instances of that id wait for the pass after the
// recovery and the pass goes on with the next id, then returns RecoveryPending.
template <typename WriteInstance>
PassResult RunPass(IWriteBackView& view, WriteInstance writeInstance) {
  bool recoveryPending = false;
  for (int id = 0; id <= kLastParamId; ++id) {
    const ParamEntry* entry = FindParam(id);
    if (entry == nullptr) continue;
    for (int k = 0; k < entry->count; ++k) {
      if (view.StopSending()) return PassResult::Finished;
      if (writeInstance(*entry, id, k) == Outcome::Recover) {
        recoveryPending = true;
        break;
      }
    }
  }
  return recoveryPending ? PassResult::RecoveryPending : PassResult::Finished;
}

}  // namespace

bool WouldSend(WriteSource source, const std::optional<std::string>& page, const std::string& table) {
  // WriteAll leaves a page without a value alone; for WriteFromFile it differs from
  // every file value.
  if (source == WriteSource::kPages) return page.has_value() && *page != table;
  return page != table;
}

std::string InstanceLabel(const ParamEntry& entry, int index) {
  std::string label = FormatLabel(entry, index + 1);
  while (!label.empty() && (label.back() == ':' || label.back() == ' ')) label.pop_back();
  return label;
}

PassResult WriteAll(CommandExchange& exchange, IWriteBackView& view, int& retryCounter,
                    const WriteSelection* selection) {
  return RunPass(view, [&](const ParamEntry& entry, int id, int k) {
    const std::optional<std::string> page = view.SaveToTable(id, k);
    if (!page) {
      view.AppendLog(NoValueText(entry, k));
      return Outcome::Skipped;
    }
    if (!WouldSend(WriteSource::kPages, page, GetParamText(id, k).value_or(std::string())) ||
        Excluded(selection, id, k))
      return Outcome::Skipped;
    const std::string previous = GetRawValue(entry, k);  // what the device has
    SetParamText(id, *page, k);
    const Outcome outcome = SendInstance(exchange, view, retryCounter, id, k);
    if (outcome != Outcome::Written) SetRawValue(entry, k, previous);
    return outcome;
  });
}

PassResult WriteFromFile(CommandExchange& exchange, IWriteBackView& view, int& retryCounter,
                         PendingFileValues& pending, const WriteSelection* selection) {
  const PassResult result = RunPass(view, [&](const ParamEntry& entry, int id, int k) {
    // The page shows the device's value; the table holds the file's. A page without a
    // value differs from every file value.
    const std::optional<std::string> page = view.SaveToTable(id, k);
    std::string fileValue;    // device form
    std::string deviceValue;  // device form, when known from an earlier failure
    const std::string* earlier = pending.Find(id, k);
    const bool retried = earlier != nullptr;
    if (retried) {
      // Failed before the recovery: the table went back to the device's value and
      // the page already shows the file's. Send the file's value again.
      fileValue = *earlier;
      pending.Remove(id, k);
      deviceValue = GetRawValue(entry, k);
      SetRawValue(entry, k, fileValue);
    } else {
      if (!WouldSend(WriteSource::kTable, page, GetParamText(id, k).value_or(std::string())))
        return Outcome::Skipped;
      if (Excluded(selection, id, k)) {
        // Not to be written: the table goes back to what the device has.
        if (page) SetParamText(id, *page, k);
        return Outcome::Skipped;
      }
      fileValue = GetRawValue(entry, k);
    }
    view.LoadFromTable(id, k, GetParamText(id, k).value_or(std::string()));
    const Outcome outcome = SendInstance(exchange, view, retryCounter, id, k);
    if (outcome == Outcome::Written) return outcome;
    if (retried) {
      SetRawValue(entry, k, deviceValue);
    } else if (page) {
      SetParamText(id, *page, k);  // the page's previous text: what the device still has
    }
    pending.Add(id, k, fileValue);
    return outcome;
  });
  // Stopped or over without a recovery: no later pass will send the values left.
  if (result == PassResult::Finished) pending.Clear();
  return result;
}

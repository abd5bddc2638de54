#include "cli/cli_view.h"

#include "base/cp936.h"
#include "cli/cli_output.h"
#include "protocol/param_table.h"

void CliCfgView::ShowTableOnPages() {
  std::lock_guard<std::mutex> lock(mutex_);
  pages_.clear();
  for (int id = 0; id <= kLastParamId; ++id) {
    const ParamEntry* entry = FindParam(id);
    if (entry == nullptr) continue;
    for (int k = 0; k < entry->count; ++k) pages_[{id, k}] = GetParamText(id, k).value_or(std::string());
  }
}

std::optional<std::string> CliCfgView::SaveToTable(int id, int index) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = pages_.find({id, index});
  if (it != pages_.end()) return it->second;
  return GetParamText(id, index).value_or(std::string());
}

void CliCfgView::LoadFromTable(int id, int index, const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  pages_[{id, index}] = text;
}

void CliCfgView::SetWriteObserver(WriteObserver observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  writeObserver_ = std::move(observer);
}

void CliCfgView::OnWriteResult(int id, int index, const std::string& line, bool ok, bool final) {
  WriteObserver observer;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    observer = writeObserver_;
  }
  if (observer) observer(id, index, line, ok, final);
}

bool CliCfgView::WithPages(const std::function<void(ICfgPageAccess&)>& fn) {
  fn(*this);
  return true;
}

void CliCfgView::AppendLog(const std::string& text) {
  if (!text.empty()) log_.Append(text);
}

void CliCfgView::ShowTip(const std::string& text, const std::function<bool()>& stillWanted) {
  if (stillWanted && !stillWanted()) return;
  output_.Progress(DeviceToUtf8(text));
}

void CliCfgView::OnOutcome(const CfgOutcome& outcome, const std::function<bool()>& stillWanted) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    outcome_ = outcome;
  }
  const std::string tip = TipOf(outcome);
  if (!tip.empty()) ShowTip(tip, stillWanted);
}

std::optional<CfgOutcome> CliCfgView::LastOutcome() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return outcome_;
}

void CliCfgView::ClearOutcome() {
  std::lock_guard<std::mutex> lock(mutex_);
  outcome_.reset();
}

void CliLinkView::OnLinkOutcome(const LinkOutcome& outcome) {
  outcome_ = outcome;
  if (outcome.end == LinkEnd::kEntered && outcome.tool == LinkTool::kConfig) {
    static const std::string kEntered = GBK("进入配置成功！\r\n");
    cfgView_.AppendLog(kEntered);
  } else if (outcome.end == LinkEnd::kEntered && outcome.tool == LinkTool::kDownload) {
    static const std::string kEntered = GBK("进入升级成功！\r\n");
    cfgView_.AppendLog(kEntered);
  }
  for (const std::string& p : outcome.deniedPorts) output_.Error(p + ": permission denied");
}

#include "cli/cli_view.h"

#include "base/cp936.h"
#include "cli/cli_output.h"
#include "protocol/param_table.h"

namespace {
constexpr int kLastParamId = 163;
}

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
  if (text.empty()) return;
  log_.Append(text);
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.push_back(text);
}

void CliCfgView::ShowTip(const std::string& text, const std::function<bool()>& stillWanted) {
  if (stillWanted && !stillWanted()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tips_.push_back(text);
  }
  output_.Progress(DeviceToUtf8(text));
}

std::vector<std::string> CliCfgView::Entries() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_;
}

std::vector<std::string> CliCfgView::Tips() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return tips_;
}

bool CliCfgView::Logged(const std::string& text) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const std::string& e : entries_)
    if (e == text) return true;
  return false;
}

bool CliCfgView::Shown(const std::string& tip) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const std::string& t : tips_)
    if (t == tip) return true;
  return false;
}

void CliCfgView::ClearRecord() {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.clear();
  tips_.clear();
}

void CliLinkView::ConfigEntered() {
  entry_ = Entry::kEntered;
  static const std::string kEntered = GBK("进入配置成功！\r\n");
  cfgView_.AppendLog(kEntered);
}

void CliLinkView::DownloadEntered() {
  entry_ = Entry::kEntered;
  static const std::string kEntered = GBK("进入升级成功！\r\n");
  cfgView_.AppendLog(kEntered);
}

void CliLinkView::ReportPortsDenied(const std::vector<std::string>& ports) {
  for (const std::string& p : ports) output_.Error(p + ": permission denied");
}

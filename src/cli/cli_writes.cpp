#include "cli/cli_writes.h"

namespace {

std::string WithoutLineEnd(std::string line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line;
}

}  // namespace

void WriteResultTracker::OnWriteResult(int id, int index, const std::string& line, bool ok,
                                       bool final) {
  const Key key{id, index};
  const std::string shown = WithoutLineEnd(line);
  if (final) {
    Final(key, shown, ok);
    return;
  }
  retried_[key] = shown;
  if (report_) report_({shown, false}, false);
}

void WriteResultTracker::Finish() {
  const auto left = std::move(retried_);
  retried_.clear();
  for (const auto& [key, line] : left) Final(key, line, false);
}

void WriteResultTracker::Final(const Key& key, const std::string& line, bool ok) {
  retried_.erase(key);
  if (results_.find(key) == results_.end()) order_.push_back(key);
  results_[key] = {line, ok};
  if (report_) report_(results_[key], true);
}

std::vector<WriteOutcome> WriteResultTracker::Results() const {
  std::vector<WriteOutcome> out;
  out.reserve(order_.size());
  for (const Key& k : order_) out.push_back(results_.at(k));
  return out;
}

int WriteResultTracker::Written() const {
  int n = 0;
  for (const auto& [key, r] : results_) n += r.ok ? 1 : 0;
  return n;
}

int WriteResultTracker::Failed() const { return static_cast<int>(results_.size()) - Written(); }

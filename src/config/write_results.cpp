#include "config/write_results.h"

void WriteResultTracker::OnWriteResult(int id, int index, const std::string& line, bool ok,
                                       bool final) {
  const Key key{id, index};
  if (final) {
    Final(key, line, ok);
    return;
  }
  retried_[key] = line;
  if (report_) report_(id, index, {line, false, id, index}, false);
}

void WriteResultTracker::Finish() {
  const auto left = std::move(retried_);
  retried_.clear();
  for (const auto& [key, line] : left) Final(key, line, false);
}

void WriteResultTracker::Final(const Key& key, const std::string& line, bool ok) {
  retried_.erase(key);
  if (results_.find(key) == results_.end()) order_.push_back(key);
  results_[key] = {line, ok, key.first, key.second};
  if (report_) report_(key.first, key.second, results_[key], true);
}

void WriteResultTracker::Clear() {
  retried_.clear();
  order_.clear();
  results_.clear();
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

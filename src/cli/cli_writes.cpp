#include "cli/cli_writes.h"

#include "base/cp936.h"

namespace {

// The outcome texts the write-back passes log after a command line.
const std::string& SetOkText() {
  static const std::string t = GBK("设置成功\r\n");
  return t;
}
const std::string& SetFailedText() {
  static const std::string t = GBK("设置失败\r\n");
  return t;
}

std::string WithoutLineEnd(std::string line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line;
}

// A parameter instance is named by its line up to "=" (command word and instance number).
std::string KeyOf(const std::string& line) { return line.substr(0, line.find('=')); }

}  // namespace

bool WriteResultTracker::IsCommandLine(const std::string& text) {
  if (text.size() < 6 || text.compare(0, 3, "AT+") != 0) return false;
  if (text.compare(text.size() - 2, 2, "\r\n") != 0) return false;
  const size_t end = text.size() - 2;
  const size_t eq = text.find('=');
  return eq != std::string::npos && eq < end && text.find_first_of("\r\n") == end;
}

void WriteResultTracker::OnLog(const std::string& text) {
  if (text.empty()) return;
  if (text == SetOkText() || text == SetFailedText()) {
    if (pending_) Final(*pending_, text == SetOkText());
    pending_.reset();
    return;
  }
  // Anything else after a line without its outcome: that write failed once and the
  // recovery follows.
  if (pending_) {
    Interim(*pending_);
    pending_.reset();
  }
  if (IsCommandLine(text)) pending_ = WithoutLineEnd(text);
}

void WriteResultTracker::Finish() {
  if (pending_) {
    Interim(*pending_);
    pending_.reset();
  }
  const auto left = std::move(retried_);
  retried_.clear();
  for (const auto& [key, line] : left) Final(line, false);
}

void WriteResultTracker::Final(const std::string& line, bool ok) {
  retried_.erase(KeyOf(line));
  results_.push_back({line, ok});
  if (report_) report_(results_.back(), true);
}

void WriteResultTracker::Interim(const std::string& line) {
  retried_[KeyOf(line)] = line;
  if (report_) report_({line, false}, false);
}

int WriteResultTracker::Written() const {
  int n = 0;
  for (const WriteOutcome& r : results_) n += r.ok ? 1 : 0;
  return n;
}

int WriteResultTracker::Failed() const { return static_cast<int>(results_.size()) - Written(); }

#pragma once
// The outcome of every parameter that a write-back pass sent, read from the
// configuration machine's log in the order it was written: a command line, then
// "设置成功" (written) or "设置失败" (failed for good); a line followed by anything else
// failed once and hands over to the recovery, after which the pass sends it again.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct WriteOutcome {
  std::string line;  // the command line sent, without CR LF (device bytes)
  bool ok = false;
};

class WriteResultTracker {
 public:
  // final: the parameter's outcome; otherwise a first failure that the recovery follows.
  using Report = std::function<void(const WriteOutcome& outcome, bool final)>;

  explicit WriteResultTracker(Report report = {}) : report_(std::move(report)) {}

  // Every log text of the operation, in order.
  void OnLog(const std::string& text);
  // The operation is over: a parameter that failed before a recovery and was not sent
  // again (the recovery failed) counts as failed.
  void Finish();

  // One entry per parameter, in the order the outcomes became final.
  const std::vector<WriteOutcome>& Results() const { return results_; }
  int Written() const;
  int Failed() const;

  // True for a text the passes log as a command line: "AT+...=...\r\n" on one line.
  static bool IsCommandLine(const std::string& text);

 private:
  void Final(const std::string& line, bool ok);
  void Interim(const std::string& line);

  Report report_;
  std::optional<std::string> pending_;         // line sent, outcome not yet logged
  std::map<std::string, std::string> retried_;  // parameter key → line awaiting its retry
  std::vector<WriteOutcome> results_;
};

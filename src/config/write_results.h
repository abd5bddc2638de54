#pragma once
// The outcome of every parameter instance that the write-back passes of one operation
// sent: a first failure hands over to the recovery, after which the pass sends the
// instance again; the last outcome of an instance counts.
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct WriteOutcome {
  std::string line;  // the command line sent (device bytes)
  bool ok = false;
  int id = 0;  // the instance
  int index = 0;
};

class WriteResultTracker {
 public:
  // final: an outcome of the instance; otherwise a first failure that the recovery follows.
  using Report = std::function<void(int id, int index, const WriteOutcome& outcome, bool final)>;

  explicit WriteResultTracker(Report report = {}) : report_(std::move(report)) {}

  // One write's outcome, as IWriteBackView::OnWriteResult reports it.
  void OnWriteResult(int id, int index, const std::string& line, bool ok, bool final);
  // The operation is over: an instance that failed before a recovery and was not sent
  // again (the recovery failed) counts as failed, and is reported so.
  void Finish();

  // One entry per instance, in the order of their first outcome; each holds the last one.
  std::vector<WriteOutcome> Results() const;
  int Written() const;
  int Failed() const;
  // Back to no outcomes, for the next operation.
  void Clear();

 private:
  using Key = std::pair<int, int>;
  void Final(const Key& key, const std::string& line, bool ok);

  Report report_;
  std::map<Key, std::string> retried_;  // instance → line awaiting its retry
  std::vector<Key> order_;
  std::map<Key, WriteOutcome> results_;
};

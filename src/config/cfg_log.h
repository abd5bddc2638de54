#pragma once
// The configuration workspace's running log: time-stamped entries in device bytes
// (code page 936), restarted from the banner when it reaches kCfgLogLimit bytes.
// Thread-safe: the worker, the link-state thread, the receive thread and the UI
// thread all append.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

constexpr size_t kCfgLogLimit = 1048576;

class CfgLog {
 public:
  CfgLog();

  // The banner every log starts with (code page 936).
  static const std::string& Banner();

  // Restarts from the banner when the log holds kCfgLogLimit bytes or more; then,
  // unless text is empty, appends "<Time:...>:" + text.
  void Append(const std::string& text);
  // Back to the banner alone.
  void Reset();
  std::string Text() const;

  // What a view needs to catch up: the text added after byte `shown` of generation
  // `generation`, or the whole text (full = true) when the log restarted since.
  struct Delta {
    std::string text;
    bool full = false;
    uint64_t generation = 0;
    size_t end = 0;  // length of the log the delta brings the view to
  };
  Delta Since(uint64_t generation, size_t shown) const;

 private:
  mutable std::mutex mutex_;
  std::string text_;
  uint64_t generation_ = 0;
};

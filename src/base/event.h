#pragma once
// Manual-reset event: stays signalled until Reset.
#include <condition_variable>
#include <mutex>

class Event {
 public:
  explicit Event(bool initiallySet = false) : set_(initiallySet) {}
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  bool IsSet() const;

  // Waits until signalled or Timing::Scaled(ms) has passed; ms < 0 waits without limit.
  // Returns true when signalled.
  bool Wait(int ms);
  // Same, with an unscaled limit (for waits that are not protocol time limits).
  bool WaitUnscaled(int ms);

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool set_;
};

#include "base/event.h"

#include <chrono>

#include "base/timing.h"

void Event::Set() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    set_ = true;
  }
  cv_.notify_all();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  set_ = false;
}

bool Event::IsSet() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return set_;
}

bool Event::Wait(int ms) { return WaitUnscaled(ms < 0 ? ms : Timing::Scaled(ms)); }

bool Event::WaitUnscaled(int ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (ms < 0) {
    cv_.wait(lock, [this] { return set_; });
    return true;
  }
  return cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return set_; });
}

#pragma once
// Waiting in Qt-free tests: polls a condition until it holds, with a deadline that is
// generous for a busy machine under the sanitizers, instead of sleeping blindly.
#include <chrono>
#include <functional>
#include <thread>

#include "base/timing.h"

// A margin for any wait in a test: thread hand-overs on 2 loaded cores under TSan.
constexpr int kTestMarginMs = 5000;

// Polls pred until it holds or ms have passed; true when it holds.
inline bool WaitUntil(const std::function<bool()>& pred, int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= deadline) return pred();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// A bound for something that takes `times` waits of ms protocol milliseconds.
inline int Within(int ms, int times = 1) { return Timing::Scaled(ms) * times + kTestMarginMs; }

#pragma once
// Waiting in Qt-free tests: polls a condition until it holds, with a deadline that is
// generous for a busy machine under the sanitizers, instead of sleeping blindly.
#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "base/timing.h"

// How much slower than a plain build this build runs its threads: the sanitizers slow
// every memory access several times, and wine's thread hand-overs and pipes are slow too.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || defined(_WIN32)
constexpr int kTestSlowdown = 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr int kTestSlowdown = 4;
#else
constexpr int kTestSlowdown = 1;
#endif
#else
constexpr int kTestSlowdown = 1;
#endif

// A margin for any wait in a test: thread hand-overs on 2 cores loaded by other work,
// 5 s in a plain build, 20 s under the sanitizers and wine. Waits end on their condition,
// so a generous margin costs nothing when the code is right.
constexpr int kTestMarginMs = 5000 * kTestSlowdown;

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

// A time scale at which a protocol wait of ms lasts at least four test margins. A test that
// shows a wait is cut short ("ends at once") runs at this scale and checks AtOnce: on a loaded
// machine the cut-short wait still ends within a margin, far from the wait's own end.
inline double ScaleOutlastingMargins(int ms) { return std::max(1.0, 4.0 * kTestMarginMs / ms); }

// True when elapsedMs ended a scaled protocol wait of ms well before its end: within half of it.
inline bool AtOnce(long long elapsedMs, int ms) { return elapsedMs < Timing::Scaled(ms) / 2; }

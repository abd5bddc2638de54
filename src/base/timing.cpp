#include "base/timing.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace Timing {
namespace {
std::atomic<double> g_scale{1.0};
}

void SetScale(double scale) { g_scale.store(scale > 0 ? scale : 1.0); }
double Scale() { return g_scale.load(); }

int Scaled(int ms) {
  if (ms <= 0) return ms;
  double v = std::lround(ms * g_scale.load());
  return v < 1 ? 1 : static_cast<int>(v);
}

void Sleep(int ms) {
  int s = Scaled(ms);
  if (s > 0) std::this_thread::sleep_for(std::chrono::milliseconds(s));
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace Timing

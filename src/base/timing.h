#pragma once
// Every protocol wait and pause goes through Timing. The scale factor is 1 in
// the program; tests run the real machines with a smaller scale.
#include <cstdint>

namespace Timing {

// Sets the global scale factor (default 1.0). Call before threads start.
void SetScale(double scale);
double Scale();

// ms × scale, rounded, at least 1 for a positive ms (0 stays 0, negative stays negative).
int Scaled(int ms);

// Sleeps for Scaled(ms).
void Sleep(int ms);

// Monotonic clock in milliseconds (unscaled).
int64_t NowMs();

}  // namespace Timing

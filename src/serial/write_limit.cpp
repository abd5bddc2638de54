#include <algorithm>
#include <cstdint>

#include "serial/serial_port.h"

namespace serial {

int WritePerByteMs(int baudRate) {
  if (baudRate <= 0) return 1;
  // Twice the line time of a 12-bit byte, rounded up to whole ms, and at least 1 ms.
  const int64_t twiceLineMs = (2 * 12 * 1000 + baudRate - 1) / baudRate;
  return static_cast<int>(std::max<int64_t>(1, twiceLineMs));
}

int WriteLimitMs(int length, int baudRate) {
  const int64_t limit = 1000 + static_cast<int64_t>(std::max(length, 0)) * WritePerByteMs(baudRate);
  return static_cast<int>(std::min<int64_t>(limit, INT32_MAX));
}

}  // namespace serial

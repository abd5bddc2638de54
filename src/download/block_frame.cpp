#include "download/block_frame.h"

#include <cstring>

namespace boot {

BlockPlan PlanBlock(uint32_t offset, uint32_t length) {
  if (offset >= length) return {offset, 0, true};
  // The sum is taken in 64 bits so that offsets near the top of the range cannot wrap.
  const bool last = uint64_t{offset} + kBlockBytes >= length;
  return {offset, last ? length - offset : kBlockBytes, last};
}

uint32_t BlockCount(uint32_t length) {
  return static_cast<uint32_t>((uint64_t{length} + kBlockBytes - 1) / kBlockBytes);
}

size_t BuildBlockFrame(const uint8_t* data, uint32_t n, bool last, uint8_t* out) {
  out[0] = kFrameStart;
  out[1] = static_cast<uint8_t>(n >> 8);
  out[2] = static_cast<uint8_t>(n & 0xFF);
  uint8_t x = 0;
  for (uint32_t i = 0; i < n; ++i) x ^= data[i];
  std::memcpy(out + 3, data, n);
  out[3 + n] = x;
  out[4 + n] = last ? kFrameLast : kFrameMore;
  return n + kFrameOverhead;
}

}  // namespace boot

#pragma once
// Framing of firmware blocks for the boot loader, and the bytes of its handshake.
//
// A block of n data bytes (1..4096) goes out as
//   0x02, n >> 8, n & 0xFF, the n bytes, XOR of the n bytes, 0x17 (more follow) or 0x03 (last).
#include <cstddef>
#include <cstdint>

namespace boot {

constexpr uint32_t kBlockBytes = 4096;
constexpr uint32_t kFrameOverhead = 5;
constexpr uint32_t kMaxFrameBytes = kBlockBytes + kFrameOverhead;

constexpr uint8_t kFrameStart = 0x02;
constexpr uint8_t kFrameMore = 0x17;
constexpr uint8_t kFrameLast = 0x03;

// The tool polls with 'P'; the boot loader answers with a block starting with 'P';
// the tool then sends 0x06, and the boot loader acknowledges each frame with 0x05.
constexpr char kPoll = 'P';
constexpr char kGo = 0x06;
constexpr char kBlockAck = 0x05;

// Where the block that starts at offset lies in an image of length bytes.
struct BlockPlan {
  uint32_t offset;
  uint32_t size;
  bool last;  // offset + 4096 >= length: an image of a multiple of 4096 ends with a full last block
};
BlockPlan PlanBlock(uint32_t offset, uint32_t length);

// Number of blocks of an image (ceil(length / 4096)).
uint32_t BlockCount(uint32_t length);

// Builds the frame of n data bytes into out (room for n + 5 bytes) and returns its size.
size_t BuildBlockFrame(const uint8_t* data, uint32_t n, bool last, uint8_t* out);

}  // namespace boot

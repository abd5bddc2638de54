#include <gtest/gtest.h>

#include <vector>

#include "download/block_frame.h"
#include "download_rig.h"

namespace {

struct Framed {
  std::vector<uint8_t> bytes;
  uint32_t n;
};

// Frames a whole image the way the machine walks it.
std::vector<Framed> FrameAll(const std::vector<uint8_t>& image) {
  std::vector<Framed> out;
  const auto length = static_cast<uint32_t>(image.size());
  for (uint32_t off = 0; off < length;) {
    const boot::BlockPlan p = boot::PlanBlock(off, length);
    Framed f;
    f.n = p.size;
    f.bytes.resize(p.size + boot::kFrameOverhead);
    EXPECT_EQ(boot::BuildBlockFrame(image.data() + off, p.size, p.last, f.bytes.data()),
              f.bytes.size());
    out.push_back(f);
    off += p.size;
  }
  return out;
}
}  // namespace

TEST(BlockFrame, ImagesSplitIntoBlocksWithTheRightEndBytes) {
  struct Case {
    size_t length;
    std::vector<uint32_t> sizes;
    std::vector<uint8_t> ends;
  };
  const Case cases[] = {
      {10000, {4096, 4096, 1808}, {0x17, 0x17, 0x03}},
      {8192, {4096, 4096}, {0x17, 0x03}},  // a multiple of 4096 ends with a full last block
      {4096, {4096}, {0x03}},
      {4097, {4096, 1}, {0x17, 0x03}},
      {1, {1}, {0x03}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    const auto image = TestImage(c.length);
    const auto frames = FrameAll(image);
    ASSERT_EQ(frames.size(), c.sizes.size());
    EXPECT_EQ(boot::BlockCount(static_cast<uint32_t>(c.length)), c.sizes.size());
    size_t off = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
      const auto& f = frames[i].bytes;
      const uint32_t n = c.sizes[i];
      EXPECT_EQ(frames[i].n, n);
      EXPECT_EQ(f[0], 0x02);
      EXPECT_EQ(f[1], n >> 8);
      EXPECT_EQ(f[2], n & 0xFF);
      EXPECT_TRUE(std::equal(f.begin() + 3, f.begin() + 3 + n, image.begin() + off));
      EXPECT_EQ(f[4 + n], c.ends[i]);
      off += n;
    }
  }
}

TEST(BlockFrame, ExactBytesOfALastBlock) {
  // The check byte is the XOR of the data alone: 03 ^ 05 ^ 0F = 09 (their sum would be 17).
  const uint8_t data[] = {0x03, 0x05, 0x0F};
  uint8_t out[8] = {};
  ASSERT_EQ(boot::BuildBlockFrame(data, 3, true, out), 8u);
  const uint8_t expected[] = {0x02, 0x00, 0x03, 0x03, 0x05, 0x0F, 0x09, 0x03};
  EXPECT_EQ(std::vector<uint8_t>(out, out + 8), std::vector<uint8_t>(expected, expected + 8));
  // Not last: only the end byte differs.
  ASSERT_EQ(boot::BuildBlockFrame(data, 3, false, out), 8u);
  EXPECT_EQ(out[7], 0x17);
}

TEST(BlockFrame, PlanNearTheEndOfTheRange) {
  const uint32_t length = 0xFFFFFFF0u;
  const boot::BlockPlan p = boot::PlanBlock(length - 100, length);
  EXPECT_TRUE(p.last);
  EXPECT_EQ(p.size, 100u);
  EXPECT_EQ(boot::BlockCount(0), 0u);
  EXPECT_EQ(boot::BlockCount(1048575), 256u);
}

// The download's parts: block frames, the receive text, the image loader and the log.
#include <gtest/gtest.h>

#include <regex>

#include "base/cp936.h"
#include "download/block_frame.h"
#include "download/boot_receive_text.h"
#include "download/download_log.h"
#include "download/firmware_image.h"
#include "download_rig.h"

TEST(BlockFrame, ImagesSplitIntoBlocksWithTheRightEndBytes) {
  const struct { uint32_t length; std::vector<uint32_t> sizes; std::vector<uint8_t> ends; } cases[] = {
      {10000, {4096, 4096, 1808}, {0x17, 0x17, 0x03}},
      {8192, {4096, 4096}, {0x17, 0x03}},  // a multiple of 4096 ends with a full last block
      {4096, {4096}, {0x03}},
      {4097, {4096, 1}, {0x17, 0x03}},
      {1, {1}, {0x03}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    const auto image = TestImage(c.length);
    EXPECT_EQ(boot::BlockCount(c.length), c.sizes.size());
    uint32_t off = 0;
    for (size_t i = 0; i < c.sizes.size(); ++i) {
      const uint32_t n = c.sizes[i];
      const boot::BlockPlan p = boot::PlanBlock(off, c.length);
      ASSERT_EQ(p.size, n);
      std::vector<uint8_t> f(n + boot::kFrameOverhead);
      ASSERT_EQ(boot::BuildBlockFrame(image.data() + off, n, p.last, f.data()), f.size());
      EXPECT_EQ(f[0], 0x02);
      EXPECT_EQ(f[1], n >> 8);
      EXPECT_EQ(f[2], n & 0xFF);
      EXPECT_TRUE(std::equal(f.begin() + 3, f.begin() + 3 + n, image.begin() + off));
      EXPECT_EQ(f[4 + n], c.ends[i]);
      off += n;
    }
    EXPECT_EQ(off, c.length);
  }
}

TEST(BlockFrame, ExactBytesOfALastBlockAndPlansNearTheEndOfTheRange) {
  // The check byte is the XOR of the data alone: 03 ^ 05 ^ 0F = 09 (their sum would be 17).
  const uint8_t data[] = {0x03, 0x05, 0x0F};
  uint8_t out[8] = {};
  ASSERT_EQ(boot::BuildBlockFrame(data, 3, true, out), 8u);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 8), (std::vector<uint8_t>{0x02, 0x00, 0x03, 0x03, 0x05, 0x0F, 0x09, 0x03}));
  // Not last: only the end byte differs.
  ASSERT_EQ(boot::BuildBlockFrame(data, 3, false, out), 8u);
  EXPECT_EQ(out[7], 0x17);

  const uint32_t length = 0xFFFFFFF0u;
  const boot::BlockPlan p = boot::PlanBlock(length - 100, length);
  EXPECT_TRUE(p.last);
  EXPECT_EQ(p.size, 100u);
  EXPECT_EQ(boot::BlockCount(0), 0u);
  EXPECT_EQ(boot::BlockCount(1048575), 256u);
}

TEST(BootReceiveText, AccumulatesSeesPastNulBytesAndKeepsTheLastHundredBytesOnOverflow) {
  BootReceiveText t;
  t.Append("\r\nO", 3);
  EXPECT_FALSE(t.Contains("\r\nOK\r\n"));
  t.Append("K\r\n", 3);
  EXPECT_TRUE(t.Contains("\r\nOK\r\n"));
  t.Append("\0CMD\0", 5);
  EXPECT_EQ(t.View(), std::string("\r\nOK\r\n CMD "));
  EXPECT_EQ(t.View().data()[t.Size()], '\0');
  t.Clear();
  EXPECT_EQ(t.Size(), 0u);
  EXPECT_FALSE(t.Contains("OK"));

  std::string first(4000, 'a');
  first.replace(3900, 100, std::string(100, 'k'));  // the 100 bytes that must remain
  t.Append(first.data(), first.size());
  const std::string block(200, 'b');  // 4000 + 200 > 4096
  t.Append(block.data(), block.size());
  EXPECT_EQ(t.View(), std::string(100, 'k') + block);
  // Exactly full is not an overflow.
  BootReceiveText u;
  const std::string full(4096, 'x');
  u.Append(full.data(), full.size());
  EXPECT_EQ(u.Size(), 4096u);
}

// Refused lengths and missing files are checked through the page's start.
TEST(FirmwareImage, LargestAndSmallestImagesLoadAndAFailureLeavesNothing) {
  TempDir dir;
  std::vector<uint8_t> image;
  const auto largest = TestImage(1048575, 7);
  EXPECT_EQ(boot::LoadFirmwareImage(dir.File("largest.bin", largest), image), boot::ImageLoad::kOk);
  EXPECT_EQ(image, largest);
  EXPECT_EQ(boot::LoadFirmwareImage(dir.File("one.bin", {0x5A}), image), boot::ImageLoad::kOk);
  EXPECT_EQ(image, std::vector<uint8_t>{0x5A});
  EXPECT_EQ(boot::LoadFirmwareImage(dir.File("1m.bin", TestImage(1048576)), image), boot::ImageLoad::kBadLength);
  EXPECT_TRUE(image.empty());
  image = {1};
  EXPECT_EQ(boot::LoadFirmwareImage(PathToUtf8(dir.path), image), boot::ImageLoad::kUnreadable);
  EXPECT_TRUE(image.empty());
}

TEST(DownloadLog, StartsWithTheBannerTimeStampsLinesAndHandsOutDeltas) {
  DownloadLog log;
  EXPECT_EQ(log.Text(), GBK("**********************下载工具软件版本：V1.2.2**********************\r\n"));
  log.Append("Download 1 block ok\r\n");
  const std::string text = log.Text();
  ASSERT_EQ(text.compare(0, DownloadLog::Banner().size(), DownloadLog::Banner()), 0);
  EXPECT_TRUE(std::regex_match(text.substr(DownloadLog::Banner().size()),
                               std::regex(R"(<Time:\d{4}-\d\d-\d\d \d\d:\d\d:\d\d>:Download 1 block ok\r\n)")));
  log.Clear();
  EXPECT_EQ(log.Text(), DownloadLog::Banner());

  // The view's delta: tails, and the whole text after a clear or a restart.
  uint64_t epoch = 0;
  size_t shown = 0;
  std::string out;
  EXPECT_TRUE(log.Delta(epoch, shown, out));
  EXPECT_EQ(out, DownloadLog::Banner());
  log.Append("a\r\n");
  EXPECT_FALSE(log.Delta(epoch, shown, out));
  EXPECT_NE(out.find(">:a\r\n"), std::string::npos);
  EXPECT_EQ(out.find(DownloadLog::Banner()), std::string::npos);
  EXPECT_FALSE(log.Delta(epoch, shown, out));
  EXPECT_TRUE(out.empty());
  log.Clear();
  EXPECT_TRUE(log.Delta(epoch, shown, out));
  EXPECT_EQ(out, DownloadLog::Banner());

  // A line arriving at 1 MiB starts a log of that line alone, without the banner.
  const std::string chunk(4000, 'x');
  while (log.Size() < DownloadLog::kRestartChars) log.Append(chunk + "\r\n");
  log.Delta(epoch, shown, out);
  log.Append(GBK("进入升级成功！\r\n"));
  EXPECT_TRUE(log.Delta(epoch, shown, out));
  EXPECT_EQ(out, log.Text());
  const std::string line = ">:" + GBK("进入升级成功！") + "\r\n";
  EXPECT_EQ(out.rfind("<Time:", 0), 0u);
  EXPECT_EQ(out.find('\n'), out.size() - 1);
  EXPECT_EQ(out.compare(out.size() - line.size(), line.size(), line), 0);
}

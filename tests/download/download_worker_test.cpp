// The download machine against the fake device.
#include <gtest/gtest.h>

#include "download_rig.h"

using W = DownloadWorker;
using Lines = std::vector<std::string>;

TEST(DownloadWorkerTest, FullTransfersArriveByteForByteOneAfterAnother) {
  DownloadRig rig;
  // A refused start sends and reports nothing (the other refusals are the page's table).
  EXPECT_EQ(rig.worker.StartDownload(std::vector<uint8_t>{}), W::StartResult::kBadLength);
  EXPECT_FALSE(rig.worker.StopDownload());
  EXPECT_EQ(rig.device.Written(), "");
  // A multiple of 4096 ends with a full last block; the second download starts clean.
  for (const auto& [length, blocks] : {std::pair<size_t, int>{10000, 3}, {8192, 2}}) {
    SCOPED_TRACE(length);
    const size_t writtenBefore = rig.device.Written().size();
    const auto image = TestImage(length, static_cast<uint32_t>(length));
    ASSERT_TRUE(rig.m.RunToEnd(image, TransferLimit()));
    EXPECT_TRUE(rig.device.Complete());
    EXPECT_EQ(rig.device.Image(), image);

    const auto r = rig.view.Get();
    Lines expected{"Wait for the device to restart\r\n", "Device restart ing...\r\n", "Device restart succeed\r\n"};
    std::vector<int> progress;
    for (int b = 1; b <= blocks; ++b) expected.push_back(BlockOk(b)), progress.push_back(b);
    expected.push_back("Download success ok\r\n");
    EXPECT_EQ(r.logs, expected);
    EXPECT_EQ(r.started, blocks);
    EXPECT_EQ(r.progress, progress);
    EXPECT_EQ(r.cancelEnabled, 1);
    EXPECT_EQ(r.stopped, 1);
    EXPECT_EQ(r.boxesShown, 0);
    EXPECT_EQ(rig.worker.Step(), 0);
    EXPECT_EQ(rig.m.line.Owner(), LineOwner::kNone) << "the completed download let the line go";

    // On the wire: the restart command, polls until the boot loader answered, 0x06, then
    // the frames and nothing after the last one.
    const std::string w = rig.device.Written().substr(writtenBefore);
    ASSERT_EQ(w.compare(0, 10, "AT+RESET\r\n"), 0);
    const size_t go = w.find('\x06', 10);
    ASSERT_NE(go, std::string::npos);
    ASSERT_GT(go, 10u);
    EXPECT_EQ(w.find_first_not_of('P', 10), go);
    EXPECT_EQ(w.size(), go + 1 + 5 * blocks + length);
    rig.device.BackToConfig();
    rig.view.ClearRecords();
  }
}

TEST(DownloadWorkerTest, OnlyTheFirstByteOfAReplyDecidesAboutABlock) {
  DownloadRig rig;
  rig.device.SetAckText("\x05 and more");
  ASSERT_TRUE(rig.m.RunToEnd(TestImage(5000), TransferLimit()));

  rig.device.BackToConfig();
  rig.view.ClearRecords();
  rig.device.SetAckText("X\x05");
  ASSERT_EQ(rig.worker.StartDownload(TestImage(5000)), W::StartResult::kStarted);
  ASSERT_TRUE(WaitUntil([&] { return rig.view.Get().HasLog("Download 1 block error\r\n"); }, TransferLimit()));
  EXPECT_TRUE(rig.worker.StopDownload());
  EXPECT_FALSE(rig.view.Get().HasLog(BlockOk(1)));
}

TEST(DownloadWorkerTest, NegativeRepliesFailLikeSilence) {
  DownloadRig rig;
  // ERROR is looked for before OK, CMD ERROR before CMD OK.
  rig.device.SetResetReply("\r\nOK\r\n\r\nERROR\r\n", false);
  rig.device.SetProbeReply("\r\nCMD OK\r\n\r\nCMD ERROR\r\n");
  ASSERT_EQ(rig.worker.StartDownload(TestImage(100)), W::StartResult::kStarted);
  ASSERT_TRUE(WaitUntil([&] { return rig.view.Get().boxOpen; },
                        Within(W::kRestartReplyMs, 2) + Within(W::kReenterReplyMs, 2)));
  EXPECT_EQ(rig.device.Count("AT+RESET"), 2);
  EXPECT_EQ(rig.device.Count("---"), 2);
  EXPECT_EQ(rig.view.Get().logs, (Lines{"Wait for the device to restart\r\n", "Attempt to re-enter the configuration\r\n",
                                        "Failed to enter the configuration\r\n"}));

  // The download holds the line while it waits for a power-up: other background writers
  // stay quiet; the stop lets the line go.
  EXPECT_EQ(rig.m.line.Owner(), LineOwner::kDownload);
  EXPECT_FALSE(rig.m.line.WriteIfFree(LineOwner::kConfig, [] {}));

  // Stopped while the message is open: idle at once; the worker is free once it closes.
  EXPECT_TRUE(rig.worker.StopDownload());
  EXPECT_EQ(rig.m.line.Owner(), LineOwner::kNone);
  EXPECT_EQ(rig.worker.State(), 0);
  EXPECT_FALSE(rig.worker.WaitingForBootLoader());
  rig.view.ClosePowerUpMessage();
  rig.device.BackToConfig();
  rig.device.SetResetReply("\r\nOK\r\n", true);
  rig.view.ClearRecords();
  const auto image = TestImage(4100, 8);
  ASSERT_TRUE(rig.m.RunToEnd(image, TransferLimit()));
  EXPECT_EQ(rig.device.Image(), image);
}

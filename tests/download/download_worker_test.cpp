#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "download_rig.h"

namespace {

using W = DownloadWorker;
using Lines = std::vector<std::string>;

std::string BlockOk(int n) { return "Download " + std::to_string(n) + " block ok\r\n"; }

// Generous bound for a whole download that meets no time limit on its way.
int TransferLimit() { return Limit(W::kBlockAckMs, 4); }

size_t CountByte(const std::string& s, char c) {
  return static_cast<size_t>(std::count(s.begin(), s.end(), c));
}

class DownloadWorkerTest : public ::testing::Test {
 protected:
  DownloadRig rig;
};

}  // namespace

TEST_F(DownloadWorkerTest, FullTransferArrivesByteForByte) {
  const auto image = TestImage(10000);
  ASSERT_TRUE(rig.RunToEnd(image, TransferLimit()));
  EXPECT_TRUE(rig.device.Complete());
  EXPECT_EQ(rig.device.Image(), image);
  const auto frames = rig.device.Frames();
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].length, 4096);
  EXPECT_EQ(frames[1].length, 4096);
  EXPECT_EQ(frames[2].length, 1808);
  EXPECT_EQ(frames[0].end, 0x17);
  EXPECT_EQ(frames[2].end, 0x03);

  EXPECT_EQ(rig.view.Logs(), (Lines{"Wait for the device to restart\r\n", "Device restart ing...\r\n",
                                    "Device restart succeed\r\n", BlockOk(1), BlockOk(2), BlockOk(3),
                                    "Download success ok\r\n"}));
  EXPECT_EQ(rig.view.StartedBlocks(), 3);
  EXPECT_EQ(rig.view.Progress(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(rig.view.CancelEnabled(), 1);
  EXPECT_EQ(rig.view.Stopped(), 1);
  EXPECT_EQ(rig.view.BoxesShown(), 0);
  EXPECT_EQ(rig.worker.Step(), 0);

  // On the wire: the restart command, polls until the boot loader answered, 0x06, then
  // the frames and nothing after the last one.
  const std::string w = rig.device.Written();
  ASSERT_EQ(w.compare(0, 10, "AT+RESET\r\n"), 0);
  const size_t go = w.find('\x06', 10);
  ASSERT_NE(go, std::string::npos);
  ASSERT_GT(go, 10u);
  EXPECT_EQ(w.find_first_not_of('P', 10), go);
  EXPECT_EQ(w.size(), go + 1 + 3 * 5 + 10000);
}

TEST_F(DownloadWorkerTest, ImagesOfWholeBlocksAndTheLargestImage) {
  const auto twoBlocks = TestImage(8192, 2);
  ASSERT_TRUE(rig.RunToEnd(twoBlocks, TransferLimit()));
  auto frames = rig.device.Frames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].end, 0x17);
  EXPECT_EQ(frames[1].length, 4096);
  EXPECT_EQ(frames[1].end, 0x03);
  EXPECT_EQ(rig.device.Image(), twoBlocks);

  // A second download after a completed one starts from a clean state.
  rig.device.BackToConfig();
  rig.view.ClearRecords();
  const auto largest = TestImage(1048575, 3);
  ASSERT_TRUE(rig.RunToEnd(largest, TransferLimit()));
  EXPECT_EQ(rig.device.Image(), largest);
  EXPECT_EQ(rig.view.StartedBlocks(), 256);
  const auto progress = rig.view.Progress();
  ASSERT_EQ(progress.size(), 256u);
  EXPECT_EQ(progress.front(), 1);
  EXPECT_EQ(progress.back(), 256);
  EXPECT_TRUE(rig.view.HasLog("Download 256 block ok\r\n"));
}

TEST_F(DownloadWorkerTest, RefusedBlockSendsTheWholeImageAgain) {
  const auto image = TestImage(5 * 4096 - 10, 4);
  rig.device.RefuseBlock(3);
  ASSERT_TRUE(rig.RunToEnd(image, TransferLimit()));
  EXPECT_EQ(rig.device.Image(), image);
  EXPECT_EQ(rig.device.Count("go"), 2);
  EXPECT_EQ(rig.view.Logs(),
            (Lines{"Wait for the device to restart\r\n", "Device restart ing...\r\n",
                   "Device restart succeed\r\n", BlockOk(1), BlockOk(2), "Download 3 block error\r\n",
                   "Device restart succeed\r\n", BlockOk(1), BlockOk(2), BlockOk(3), BlockOk(4),
                   BlockOk(5), "Download success ok\r\n"}));
  EXPECT_EQ(rig.view.Progress(), (std::vector<int>{1, 2, 1, 2, 3, 4, 5}));
}

TEST_F(DownloadWorkerTest, LostAcknowledgementTimesOutThenSucceeds) {
  const auto image = TestImage(3 * 4096, 5);
  rig.device.LoseAckOf(2);
  ASSERT_TRUE(rig.RunToEnd(image, TransferLimit() + Limit(W::kBlockAckMs)));
  EXPECT_TRUE(rig.view.HasLog("Download 2 block timeout error\r\n"));
  EXPECT_EQ(rig.device.Image(), image);
  EXPECT_EQ(rig.device.Count("go"), 2);
}

TEST_F(DownloadWorkerTest, OnlyTheFirstByteOfAReplyDecidesAboutABlock) {
  rig.device.SetAckText("\x05 and more");
  ASSERT_TRUE(rig.RunToEnd(TestImage(5000), TransferLimit()));

  rig.device.BackToConfig();
  rig.view.ClearRecords();
  rig.device.SetAckText("X\x05");
  ASSERT_EQ(rig.worker.StartDownload(TestImage(5000)), W::StartResult::kStarted);
  ASSERT_TRUE(WaitUntil([&] { return rig.view.HasLog("Download 1 block error\r\n"); }, TransferLimit()));
  EXPECT_TRUE(rig.worker.StopDownload());
  EXPECT_FALSE(rig.view.HasLog(BlockOk(1)));
}

TEST_F(DownloadWorkerTest, NegativeRepliesFailLikeSilence) {
  // ERROR is looked for before OK, CMD ERROR before CMD OK.
  rig.device.SetResetReply("\r\nOK\r\n\r\nERROR\r\n", false);
  rig.device.SetProbeReply("\r\nCMD OK\r\n\r\nCMD ERROR\r\n");
  ASSERT_EQ(rig.worker.StartDownload(TestImage(100)), W::StartResult::kStarted);
  ASSERT_TRUE(WaitUntil([&] { return rig.view.BoxOpen(); },
                        Limit(W::kRestartReplyMs, 2) + Limit(W::kReenterReplyMs, 2)));
  EXPECT_EQ(rig.device.Count("AT+RESET"), 2);
  EXPECT_EQ(rig.device.Count("---"), 2);
  EXPECT_EQ(rig.view.Logs(),
            (Lines{"Wait for the device to restart\r\n", "Attempt to re-enter the configuration\r\n",
                   "Failed to enter the configuration\r\n"}));

  // Stopped while the message is open: idle at once; the worker is free once it closes.
  EXPECT_TRUE(rig.worker.StopDownload());
  EXPECT_EQ(rig.worker.State(), 0);
  EXPECT_FALSE(rig.worker.WaitingForBootLoader());
  rig.view.ClosePowerUpMessage();
  rig.device.BackToConfig();
  rig.device.SetResetReply("\r\nOK\r\n", true);
  rig.view.ClearRecords();
  const auto image = TestImage(4100, 8);
  ASSERT_TRUE(rig.RunToEnd(image, TransferLimit()));
  EXPECT_EQ(rig.device.Image(), image);
}

TEST_F(DownloadWorkerTest, RefusedStartsSendNothing) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "qx_download_refused";
  fs::create_directories(dir);
  std::ofstream(dir / "empty.bin", std::ios::binary);
  {
    std::ofstream big(dir / "big.bin", std::ios::binary);
    const auto bytes = TestImage(1048576);
    big.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  EXPECT_EQ(rig.worker.StartDownload(fs::path()), W::StartResult::kNoFile);
  EXPECT_EQ(rig.worker.StartDownload(dir / "empty.bin"), W::StartResult::kBadLength);
  EXPECT_EQ(rig.worker.StartDownload(dir / "big.bin"), W::StartResult::kBadLength);
  EXPECT_EQ(rig.worker.StartDownload(dir / "missing.bin"), W::StartResult::kUnreadable);
  EXPECT_EQ(rig.worker.StartDownload(dir), W::StartResult::kUnreadable);
  EXPECT_EQ(rig.worker.StartDownload(std::vector<uint8_t>{}), W::StartResult::kBadLength);
  rig.device.Close();
  EXPECT_EQ(rig.worker.StartDownload(dir / "missing.bin"), W::StartResult::kPortClosed);
  EXPECT_EQ(rig.worker.StartDownload(TestImage(10)), W::StartResult::kPortClosed);
  fs::remove_all(dir);

  EXPECT_FALSE(rig.worker.IsActive());
  EXPECT_EQ(rig.worker.State(), 0);
  EXPECT_TRUE(rig.view.Logs().empty());
  EXPECT_EQ(rig.view.StartedBlocks(), -1);
  EXPECT_EQ(rig.device.Written(), "");
  EXPECT_FALSE(rig.worker.StopDownload());
  EXPECT_EQ(rig.view.Stopped(), 0);
}

// ---- stopping in every phase, with the button or by closing the port ----

namespace {

enum class Phase { kRestartWait, kReenterWait, kBootLoaderWait, kBlockWait };
struct StopCase {
  Phase phase;
  bool closePort;
};

StopCase Stop(Phase phase, bool closePort) { return StopCase{phase, closePort}; }

[[maybe_unused]] void PrintTo(const StopCase& c, std::ostream* os) {
  *os << "phase " << static_cast<int>(c.phase) << (c.closePort ? ", port closed" : ", button");
}

std::string StopCaseName(const ::testing::TestParamInfo<StopCase>& info) {
  static const char* const names[] = {"RestartWait", "ReenterWait", "BootLoaderWait", "BlockWait"};
  return std::string(names[static_cast<int>(info.param.phase)]) +
         (info.param.closePort ? "_PortClosed" : "_Button");
}

class DownloadStopTest : public ::testing::TestWithParam<StopCase> {
 protected:
  DownloadRig rig;
};

}  // namespace

TEST_P(DownloadStopTest, LeavesTheMachineIdleAndReady) {
  const StopCase c = GetParam();
  std::function<bool()> reached;
  switch (c.phase) {
    case Phase::kRestartWait:
      rig.device.SetIgnoreReset(true);
      reached = [&] { return rig.device.Count("AT+RESET") == 1 && rig.worker.Step() == W::kAwaitReply; };
      break;
    case Phase::kReenterWait:
      rig.device.SetIgnoreReset(true);
      rig.device.SetIgnoreProbe(true);
      reached = [&] { return rig.device.Count("---") == 1 && rig.worker.Step() == W::kAwaitReply; };
      break;
    case Phase::kBootLoaderWait:
      rig.device.SetIgnorePoll(true);
      reached = [&] { return CountByte(rig.device.Written(), 'P') >= 2; };
      break;
    case Phase::kBlockWait:
      rig.device.LoseAckOf(2);
      reached = [&] { return rig.device.Frames().size() == 2; };
      break;
  }
  ASSERT_EQ(rig.worker.StartDownload(TestImage(4 * 4096)), W::StartResult::kStarted);
  ASSERT_TRUE(WaitUntil(reached, Limit(W::kRestartReplyMs, 2) + Limit(W::kReenterReplyMs)));
  if (c.closePort) rig.device.Close();  // the main window closes the port, then stops
  ASSERT_TRUE(rig.worker.StopDownload());
  EXPECT_FALSE(rig.worker.IsActive());
  EXPECT_EQ(rig.worker.State(), 0);
  EXPECT_EQ(rig.worker.Step(), 0);
  EXPECT_EQ(rig.view.Stopped(), 1);
  EXPECT_FALSE(rig.view.Completed());
  EXPECT_FALSE(rig.worker.StopDownload());

  // Nothing more goes out: no poll, no frame, no command (checked over several poll periods).
  const size_t written = rig.device.Written().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(Timing::Scaled(W::kBootPollMs) * 4));
  EXPECT_EQ(rig.device.Written().size(), written);

  // No thread is stuck: a new download runs through at once.
  rig.device.SetIgnoreReset(false);
  rig.device.SetIgnoreProbe(false);
  rig.device.SetIgnorePoll(false);
  rig.device.BackToConfig();
  if (c.closePort) rig.device.Open("fake", 115200, 8, 0, 0);
  rig.view.ClearRecords();
  const auto image = TestImage(3 * 4096 + 1, 9);
  ASSERT_TRUE(rig.RunToEnd(image, TransferLimit()));
  EXPECT_EQ(rig.device.Image(), image);
  EXPECT_EQ(rig.view.Progress(), (std::vector<int>{1, 2, 3, 4}));
}

INSTANTIATE_TEST_SUITE_P(
    EveryPhase, DownloadStopTest,
    ::testing::Values(Stop(Phase::kRestartWait, false), Stop(Phase::kRestartWait, true),
                      Stop(Phase::kReenterWait, false), Stop(Phase::kReenterWait, true),
                      Stop(Phase::kBootLoaderWait, false), Stop(Phase::kBootLoaderWait, true),
                      Stop(Phase::kBlockWait, false), Stop(Phase::kBlockWait, true)),
    StopCaseName);

// The download machine against the simulated device through a real CSerial.
#include <gtest/gtest.h>

#include "download_rig.h"
#include "serial/serial.h"
#include "sim/rtu_sim.h"

namespace {

using W = DownloadWorker;
using Fault = RtuSimulator::BlockFault;

class DeviceDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(serial.Open(sim.PortName(), 115200, 8, serial::kOneStopBit, serial::kParityNone))
        << serial.LastOpenError();
    // The main window has entered the configuration state before the tool runs.
    ASSERT_EQ(serial.Write("---", 3), 3);
    ASSERT_TRUE(sim.WaitForState(RtuSimulator::State::Config, kTestMarginMs));
    sim.ClearReceived();
  }

  RtuSimulator sim;
  CSerial serial;
  // The poll period becomes 100 ms and the device's boot window 600 ms: room enough
  // for a "P" to be answered before the next one goes out on a busy machine.
  DownloadMachine m{serial, 0.2};
  RecordingView& view = m.view;
  DownloadWorker& worker = m.worker;
};

TEST_F(DeviceDownloadTest, RefusedBlockThreeSendsTheWholeImageAgain) {
  const auto image = TestImage(6 * 4096 + 100, 12);
  sim.SetBlockFault(3, Fault::Refuse);
  ASSERT_TRUE(m.RunToEnd(image, TransferLimit()));
  const auto r = view.Get();
  EXPECT_EQ(sim.FramesRejected(), 1);
  EXPECT_EQ(sim.FramesAccepted(), 2 + 7);
  EXPECT_EQ(sim.ReceivedImage(), std::string(image.begin(), image.end()));
  EXPECT_EQ(r.progress, (std::vector<int>{1, 2, 1, 2, 3, 4, 5, 6, 7}));
  std::vector<std::string> logs{"Wait for the device to restart\r\n", "Device restart ing...\r\n",
                                "Device restart succeed\r\n", BlockOk(1), BlockOk(2),
                                "Download 3 block error\r\n", "Device restart succeed\r\n"};
  for (int b = 1; b <= 7; ++b) logs.push_back(BlockOk(b));
  logs.push_back("Download success ok\r\n");
  EXPECT_EQ(r.logs, logs);
}

TEST_F(DeviceDownloadTest, LostAcknowledgementTimesOutThenSucceeds) {
  const auto image = TestImage(3 * 4096, 13);
  sim.SetBlockFault(2, Fault::LoseAck);
  ASSERT_TRUE(m.RunToEnd(image, TransferLimit() + Within(W::kBlockAckMs)));
  EXPECT_TRUE(view.Get().HasLog("Download 2 block timeout error\r\n"));
  EXPECT_EQ(sim.ReceivedImage(), std::string(image.begin(), image.end()));
  EXPECT_EQ(sim.ImagesCompleted(), 1);
}

// ---- stopping in every phase, with the button or by closing the port ----

enum class Phase { kRestartWait, kReenterWait, kPowerUpWait, kBlockWait };

class DeviceStopTest : public DeviceDownloadTest,
                       public ::testing::WithParamInterface<std::tuple<Phase, bool>> {};

std::string StopName(const ::testing::TestParamInfo<std::tuple<Phase, bool>>& info) {
  static const char* const names[] = {"RestartWait", "ReenterWait", "PowerUpWait", "BlockWait"};
  return std::string(names[static_cast<int>(std::get<0>(info.param))]) +
         (std::get<1>(info.param) ? "_PortClosed" : "_Button");
}

TEST_P(DeviceStopTest, LeavesTheMachineIdleAndNoThreadStuck) {
  const auto [phase, closePort] = GetParam();
  std::function<bool()> reached;
  switch (phase) {
    case Phase::kRestartWait:
      sim.SetPowerCycleNeeded(true);
      reached = [&] { return sim.CountReceived("AT+RESET") == 1 && worker.Step() == W::kAwaitReply; };
      break;
    case Phase::kReenterWait:
      sim.SetSilent(true);
      reached = [&] { return worker.State() == W::kReenter && worker.Step() == W::kAwaitReply; };
      break;
    case Phase::kPowerUpWait:
      sim.SetPowerCycleNeeded(true);
      reached = [&] { return view.Get().boxOpen; };
      break;
    case Phase::kBlockWait:
      sim.SetBlockFault(2, Fault::LoseAck, -1);
      reached = [&] { return sim.FramesAccepted() == 2; };
      break;
  }
  ASSERT_EQ(worker.StartDownload(TestImage(5 * 4096, 15)), W::StartResult::kStarted);
  ASSERT_TRUE(WaitUntil(reached, Within(W::kRestartReplyMs, 4) + Within(W::kReenterReplyMs, 2)));
  if (closePort) serial.Close();  // the main window closes the port, then stops
  ASSERT_TRUE(worker.StopDownload());
  EXPECT_FALSE(worker.IsActive());
  EXPECT_EQ(worker.State(), W::kIdle);
  EXPECT_EQ(view.Get().stopped, 1);
  EXPECT_FALSE(view.Get().completed);
  // The power-up message is modal in the program: the user closes it after stopping.
  view.ClosePowerUpMessage();

  // The worker and the poll thread come back at once: shutting down does not wait out
  // any of the phase's time limits.
  const int64_t t0 = Timing::NowMs();
  worker.Shutdown();
  EXPECT_LT(Timing::NowMs() - t0, Within(W::kBlockAckMs));  // never hangs
  EXPECT_EQ(sim.ImagesCompleted(), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryPhase, DeviceStopTest,
                         ::testing::Combine(::testing::Values(Phase::kRestartWait, Phase::kReenterWait,
                                                              Phase::kPowerUpWait, Phase::kBlockWait),
                                            ::testing::Bool()),
                         StopName);

}  // namespace

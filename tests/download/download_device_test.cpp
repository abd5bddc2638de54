// The download machine against the simulated device: a real CSerial on the
// simulator's pseudo-terminal, a receive thread feeding the machine.
#include <gtest/gtest.h>

#include <memory>

#include "download_rig.h"
#include "serial/serial.h"
#include "sim/rtu_sim.h"

namespace {

using W = DownloadWorker;
using Fault = RtuSimulator::BlockFault;

std::string AsString(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }
std::string BlockOk(int n) { return "Download " + std::to_string(n) + " block ok\r\n"; }

class DeviceDownloadTest : public ::testing::Test {
 protected:
  // The poll period becomes 100 ms and the device's boot window 600 ms: room enough
  // for a "P" to be answered before the next one goes out on a busy machine.
  static constexpr double kScale = 0.2;

  void SetUp() override {
    Timing::SetScale(kScale);
    view.worker = &worker;
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(serial.Open(sim.PortName(), 115200, 8, serial::kOneStopBit, serial::kParityNone))
        << serial.LastOpenError();
    pump = std::make_unique<ReceivePump>(serial, [this](const char* d, int n) { worker.OnSerialData(d, n); });
    // The main window has entered the configuration state before the tool runs.
    ASSERT_EQ(serial.Write("---", 3), 3);
    ASSERT_TRUE(sim.WaitForState(RtuSimulator::State::Config, kMarginMs));
    sim.ClearReceived();
    worker.Launch();
  }
  void TearDown() override {
    pump.reset();
    view.ClosePowerUpMessage();
    worker.Shutdown();
    serial.Close();
    sim.Stop();
  }

  bool WaitStopped(int limitMs) {
    // The view hears of the stop just after the machine has gone idle.
    return WaitUntil([this] { return view.Get().stopped > 0 && !worker.IsActive() && worker.State() == W::kIdle; },
                     limitMs);
  }

  RtuSimulator sim;
  CSerial serial;
  RecordingView view;
  DownloadWorker worker{serial, view};
  std::unique_ptr<ReceivePump> pump;
};

}  // namespace

TEST_F(DeviceDownloadTest, RefusedBlockThreeSendsTheWholeImageAgain) {
  const auto image = TestImage(6 * 4096 + 100, 12);
  sim.SetBlockFault(3, Fault::Refuse);
  ASSERT_EQ(worker.StartDownload(image), W::StartResult::kStarted);
  ASSERT_TRUE(WaitStopped(TransferLimit()));
  const auto r = view.Get();
  EXPECT_TRUE(r.completed);
  EXPECT_EQ(sim.FramesRejected(), 1);
  EXPECT_EQ(sim.FramesAccepted(), 2 + 7);
  EXPECT_EQ(sim.ReceivedImage(), AsString(image));
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
  ASSERT_EQ(worker.StartDownload(image), W::StartResult::kStarted);
  ASSERT_TRUE(WaitStopped(TransferLimit() + Limit(W::kBlockAckMs)));
  EXPECT_TRUE(view.Get().completed);
  EXPECT_TRUE(view.Get().HasLog("Download 2 block timeout error\r\n"));
  EXPECT_EQ(sim.ReceivedImage(), AsString(image));
  EXPECT_EQ(sim.ImagesCompleted(), 1);
}

// ---- stopping in every phase, with the button or by closing the port ----

namespace {

enum class Phase { kRestartWait, kReenterWait, kPowerUpWait, kBlockWait };

class DeviceStopTest : public DeviceDownloadTest,
                       public ::testing::WithParamInterface<std::tuple<Phase, bool>> {};

std::string StopName(const ::testing::TestParamInfo<std::tuple<Phase, bool>>& info) {
  static const char* const names[] = {"RestartWait", "ReenterWait", "PowerUpWait", "BlockWait"};
  return std::string(names[static_cast<int>(std::get<0>(info.param))]) +
         (std::get<1>(info.param) ? "_PortClosed" : "_Button");
}

}  // namespace

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
  ASSERT_TRUE(WaitUntil(reached, Limit(W::kRestartReplyMs, 4) + Limit(W::kReenterReplyMs, 2)));
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
  EXPECT_LT(Timing::NowMs() - t0, Timing::Scaled(W::kBlockAckMs) + kMarginMs);  // never hangs
  EXPECT_EQ(sim.ImagesCompleted(), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryPhase, DeviceStopTest,
                         ::testing::Combine(::testing::Values(Phase::kRestartWait, Phase::kReenterWait,
                                                              Phase::kPowerUpWait, Phase::kBlockWait),
                                            ::testing::Bool()),
                         StopName);

// Faults against the device: a refused write, a silent device, replies cut into
// blocks with NUL bytes, and the port vanishing in the middle of the listing.
#include <gtest/gtest.h>

#include <future>

#include "device_fixture.h"

namespace {

using Lines = std::vector<std::string>;

class DeviceFault : public DeviceFixture {};

TEST_F(DeviceFault, ErrorOnceThenOkRecoversAndWrites) {
  Load();
  FakeView view;
  view.pages[{23, 0}] = "cmiot";
  sim.SetErrorFor("AT+APN", 1);
  const OperationOutcome outcome = RunWriteAll(exchange, view);
  EXPECT_EQ(outcome.recoveries, 1);
  EXPECT_FALSE(outcome.gaveUp);
  // The device left its configuration state on the first "---" (CMD ERROR) and
  // came back on the second (CMD OK).
  EXPECT_EQ(sim.ReceivedCommands(), (Lines{"AT+APN=cmiot", "---", "---", "AT+APN=cmiot"}));
  EXPECT_EQ(sim.GetState(), RtuSimulator::State::Config);
  EXPECT_EQ(sim.Value("Modem Apn:"), "cmiot");
  EXPECT_EQ(view.log, (Lines{"AT+APN=cmiot\r\n", "AT+APN=cmiot\r\n", kLogSetOk}));
}

TEST_F(DeviceFault, RefusedTwiceIsLoggedAndTheTableKeepsTheDevicesValue) {
  Load();
  const std::string before = sim.Value("Modem Apn:");
  FakeView view;
  view.pages[{23, 0}] = "cmiot";
  sim.SetErrorFor("AT+APN");
  RunWriteAll(exchange, view);
  EXPECT_EQ(sim.CountReceived("AT+APN="), 2);
  EXPECT_EQ(view.log.back(), kLogSetFailed);
  EXPECT_EQ(GetParamText(23, 0), before);
  EXPECT_EQ(sim.Value("Modem Apn:"), before);
}

TEST_F(DeviceFault, SilentDeviceIsGivenUpWithinTheStatedLimits) {
  Load();
  FakeView view;
  view.pages[{23, 0}] = "cmiot";
  sim.SetSilent(true);
  const int64_t start = Timing::NowMs();
  const OperationOutcome outcome = RunWriteAll(exchange, view);
  const int64_t took = Timing::NowMs() - start;
  EXPECT_TRUE(outcome.gaveUp);
  // One write (1000 ms) and three probes (5000 ms each); no pause after silence.
  const int limits = Timing::Scaled(1000) + 3 * Timing::Scaled(5000);
  EXPECT_GE(took, limits);
  EXPECT_LT(took, limits + Timing::Scaled(kReplyPauseMs) * 4);
  ASSERT_TRUE(sim.WaitForReceived("---", 3, 2000));
  EXPECT_EQ(sim.ReceivedCommands(), (Lines{"AT+APN=cmiot", "---", "---", "---"}));
  EXPECT_NE(GetParamText(23, 0), "cmiot");
}

TEST_F(DeviceFault, ListingInSmallBlocksWithNulBytesStillLoads) {
  sim.SetChunking(97, 5);  // about 200 blocks
  sim.SetNulBytes(true);
  sim.SetValue("Modem Apn:", "chunked");
  Load();
  EXPECT_EQ(GetParamText(23, 0), "chunked");
  EXPECT_EQ(GetParamText(30, 29), sim.Value("Channel30 type:"));
}

TEST_F(DeviceFault, PortVanishingInTheListingFailsWithoutHangOrCrash) {
  sim.SetBaudPacing(38400);  // the listing takes several hundred ms of scaled time
  std::future<int> show = std::async(std::launch::async, [this] {
    std::string line;
    return exchange.RunCommand(kCmdShow, 0, line);
  });
  const int64_t deadline = Timing::NowMs() + Timing::Scaled(16000);
  while (loop->BytesReceived() < 200 && Timing::NowMs() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_GE(loop->BytesReceived(), 200);
  sim.VanishPort();

  // The exchange ends within its limit (plus a margin) and reports failure.
  ASSERT_EQ(show.wait_for(std::chrono::milliseconds(Timing::Scaled(16000) + 2000)),
            std::future_status::ready);
  EXPECT_EQ(show.get(), 0);
  EXPECT_TRUE(loop->SawVanish());
  EXPECT_FALSE(serial.IsOpen());
  // Nothing from the cut listing reached the table.
  EXPECT_EQ(GetParamText(0, 0), "");
  EXPECT_EQ(GetParamText(23, 0), "");

  // Later operations fail at once on the closed port.
  FakeView view;
  view.pages[{23, 0}] = "cmiot";
  const OperationOutcome outcome = RunWriteAll(exchange, view);
  EXPECT_TRUE(outcome.gaveUp);
  EXPECT_EQ(GetParamText(23, 0), "");
}

}  // namespace

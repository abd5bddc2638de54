// Power-up, restart and the power-cycle fault of the simulated device.
#include "sim_port.h"
#include "support/wait.h"

namespace {
const char kConfigure[] = "CONFIGURE PROGRAM\r\n";
}

TEST_F(SimTest, PowerOffDropsInputAndPowerUpWithoutPollsRunsAfterTheBootWindow) {
  sim.PowerOff();
  EXPECT_EQ(sim.GetState(), State::Off);
  // The power-up poll at the end shows when the device has taken all of it.
  port->Write("---");
  port->Write("AT+CNTRADDR=99\r\nS");
  ASSERT_TRUE(WaitUntil([this] { return sim.PowerUpBytesReceived() >= 1; }, kReplyLimitMs));
  ASSERT_EQ(sim.PowerUpBytesReceived(), 1);
  EXPECT_EQ(sim.GetState(), State::Off);
  const int64_t on = Timing::NowMs();
  sim.PowerOn();
  EXPECT_EQ(sim.GetState(), State::Booting);
  ASSERT_TRUE(sim.WaitForState(State::Run, Timing::Scaled(RtuSimulator::kBootWindowMs) + kReplyLimitMs));
  EXPECT_GE(Timing::NowMs() - on, Timing::Scaled(RtuSimulator::kBootWindowMs) - 1);
  // Nothing was answered or recorded while off: the first reply is this probe's.
  EXPECT_EQ(port->Probe("---"), kCmdOk);
  EXPECT_EQ(sim.ReceivedCommands(), std::vector<std::string>{"---"});
  EXPECT_EQ(sim.Value("Center address:"), "01");
}

TEST_F(SimTest, PowerOffAbandonsAReplyOnItsWay) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  // About 1.5 s of listing at 115200 baud: the device is switched off and on
  // after its start. The rest of the listing is never sent: the power-up text
  // comes next.
  Timing::SetScale(1.0);
  sim.SetBaudPacing(115200);
  port->Write("AT+SHOW\r\n");
  std::string got = port->ReadUntil([](const std::string& g) { return g.size() >= 64; });
  ASSERT_GE(got.size(), 64u);
  sim.PowerOff();
  BytePump pump(*port, 'S');
  sim.PowerOn();
  got += port->ReadUntil(kConfigure);
  ASSERT_NE(got.find(kConfigure), std::string::npos);
  EXPECT_EQ(got.find("\r\nOK\r\n"), std::string::npos);
  EXPECT_LT(got.size(), sim.Listing().size());
}

// Command states of the simulated device, power-up and faults on demand.
#include "sim_port.h"
#include "support/wait.h"

TEST_F(SimTest, ProbesMoveBetweenRunConfigurationAndModemWhichAnswersItsOwnCommandsOnly) {
  // Lines in the run state get no answer: the next reply on the port is the probe's.
  port->Write("AT+SHOW\r\nAT+APN=x\r\n");
  RunSteps({{"---", kCmdOk, State::Config},
            {"+++", kCmdError, State::Config},  // refused in configuration, the state stays
            {"---", kCmdError, State::Run},
            {"+++", kCmdOk, State::Modem},
            {"AT+QUIT", "AT+QUIT\r\n\r\nOK\r\n", State::Run},
            {"---", kCmdOk, State::Config}});
  EXPECT_EQ(sim.ReceivedCommands(),
            (std::vector<std::string>{"AT+SHOW", "AT+APN=x", "---", "+++", "---", "+++", "AT+QUIT", "---"}));
  EXPECT_EQ(sim.CountReceived("---"), 3);
  // And every byte as it came, bare probes and line ends included.
  EXPECT_EQ(sim.ReceivedBytes(), "AT+SHOW\r\nAT+APN=x\r\n---+++---+++AT+QUIT\r\n---");
  sim.ClearReceived();
  EXPECT_TRUE(sim.ReceivedCommands().empty());
  EXPECT_TRUE(sim.ReceivedBytes().empty());

  // The modem answers its own commands only.
  RunSteps({{"---", kCmdError, State::Run}, {"+++", kCmdOk, State::Modem}});
  const std::string csq = port->Command("AT+CSQ");
  EXPECT_EQ(csq.rfind("AT+CSQ\r\n", 0), 0u) << csq;
  EXPECT_NE(csq.find("+CSQ:"), std::string::npos);
  EXPECT_EQ(csq.substr(csq.size() - 6), "\r\nOK\r\n");
  EXPECT_NE(port->Command("AT+GSN").find("\r\nOK\r\n"), std::string::npos);
  port->Write("---");  // probes go to the modem, which ignores them
  RunSteps({{"AT", "AT\r\n\r\nOK\r\n", State::Modem},
            {"AT+SHOW", "AT+SHOW\r\n\r\nERROR\r\n", State::Modem},
            {"AT+APN=x", "AT+APN=x\r\n\r\nERROR\r\n", State::Modem},
            {"AT+QUIT", "AT+QUIT\r\n\r\nOK\r\n", State::Run}});
  EXPECT_EQ(sim.Value("Modem Apn:"), "CMNET");
}

TEST_F(SimTest, CommandsSplitOverWritesNoiseAndOverlongLines) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  // A line in pieces, a probe in pieces.
  port->Write("AT+AP");
  port->Write("N=pie");
  EXPECT_EQ(port->Command("ces"), "AT+APN=pieces\r\n\r\nOK\r\n");
  EXPECT_EQ(sim.Value("Modem Apn:"), "pieces");
  port->Write("-");
  EXPECT_EQ(port->Probe("--"), kCmdError);
  ASSERT_NO_FATAL_FAILURE(EnterConfig());

  // Power-up polls that were still on the way, blank lines and a bare LF end.
  port->Write("SS\r\n\r\n");
  port->Write("AT\n");
  EXPECT_EQ(port->ReadUntil("OK\r\n"), "AT\r\n\r\nOK\r\n");
  // A dash inside a line is no probe.
  EXPECT_EQ(port->Command("AT+USERNAME=a---b"), "AT+USERNAME=a---b\r\n\r\nOK\r\n");
  // An overlong line is refused, and the device is still usable afterwards.
  EXPECT_NE(port->Command("AT+APN=" + std::string(2000, 'x')).find("\r\nERROR\r\n"), std::string::npos);
  EXPECT_EQ(sim.Value("Modem Apn:"), "pieces");
  EXPECT_EQ(port->Command("AT"), "AT\r\n\r\nOK\r\n");
  EXPECT_EQ(sim.GetState(), State::Config);
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
  got += port->ReadUntil("CONFIGURE PROGRAM\r\n");
  ASSERT_NE(got.find("CONFIGURE PROGRAM\r\n"), std::string::npos);
  EXPECT_EQ(got.find("\r\nOK\r\n"), std::string::npos);
  EXPECT_LT(got.size(), sim.Listing().size());
}

TEST_F(SimTest, ErrorForChosenCommandsCountedOrAlways) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  sim.SetErrorFor("AT+APN", 2);
  // A family word covers its numbered instances, every time; other commands are untouched.
  sim.SetErrorFor("AT+MULTISER");
  sim.SetErrorFor("AT+SHOW");
  RunSteps({{"AT+APN=a", "AT+APN=a\r\n\r\nERROR\r\n", State::Config},
            {"AT+APN=b", "AT+APN=b\r\n\r\nERROR\r\n", State::Config}});
  EXPECT_EQ(sim.Value("Modem Apn:"), "CMNET");
  RunSteps({{"AT+APN=c", "AT+APN=c\r\n\r\nOK\r\n", State::Config},
            {"AT+MULTISER03=1.1.1.1", "AT+MULTISER03=1.1.1.1\r\n\r\nERROR\r\n", State::Config},
            {"AT+MULTISER03=1.1.1.1", "AT+MULTISER03=1.1.1.1\r\n\r\nERROR\r\n", State::Config},
            {"AT+MULTIPORT03=1", "AT+MULTIPORT03=1\r\n\r\nOK\r\n", State::Config},
            {"AT+SHOW", "AT+SHOW\r\n\r\nERROR\r\n", State::Config}});
  EXPECT_EQ(sim.Value("Modem Apn:"), "c");
  sim.ClearErrors();
  EXPECT_NE(port->Command("AT+MULTISER03=1.1.1.1").find("\r\nOK\r\n"), std::string::npos);

  // A probe refused with CMD ERROR keeps the state, and a refused reset does not restart.
  sim.SetErrorFor("---", 1);
  sim.SetErrorFor("AT+RESET", 1);
  RunSteps({{"---", kCmdError, State::Config}, {"AT+RESET", "AT+RESET\r\n\r\nERROR\r\n", State::Config}});
}

TEST_F(SimTest, RepliesCutIntoBlocksWithGaps) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  // A gap long enough that a reader delayed on a loaded machine still sees two reads: half a
  // test margin at the test scale.
  const int kBlock = 11, kGapMs = static_cast<int>(kTestMarginMs / 2 / Timing::Scale());
  sim.SetChunking(kBlock, kGapMs);
  const std::string expected = "AT+APN=chunked\r\n\r\nOK\r\n";  // 22 bytes: 2 blocks
  const int64_t sent = Timing::NowMs();
  port->Write("AT+APN=chunked\r\n");
  size_t firstRead = 0;
  EXPECT_EQ(port->ReadUntil([&](const std::string& got) {
    if (firstRead == 0) firstRead = got.size();
    return got.size() >= expected.size();
  }), expected);
  // The second block is a whole gap behind the first.
  EXPECT_LE(firstRead, static_cast<size_t>(kBlock));
  EXPECT_GE(Timing::NowMs() - sent, Timing::Scaled(kGapMs));
  sim.SetChunking(0, 0);
  EXPECT_EQ(port->Command("AT"), "AT\r\n\r\nOK\r\n");
}

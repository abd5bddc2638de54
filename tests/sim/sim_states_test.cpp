// Command states of the simulated device: probes, modem pass-through, what
// each state does with lines, and how bytes are split into commands.
#include "sim_port.h"

TEST_F(SimTest, ProbesMoveBetweenRunConfigurationAndModem) {
  EXPECT_EQ(sim.GetState(), State::Run);
  RunSteps({{"---", kCmdOk, State::Config},
            {"+++", kCmdError, State::Config},  // refused in configuration, the state stays
            {"---", kCmdError, State::Run},
            {"+++", kCmdOk, State::Modem},
            {"AT+QUIT", "AT+QUIT\r\n\r\nOK\r\n", State::Run},
            {"---", kCmdOk, State::Config}});
  EXPECT_EQ(sim.ReceivedCommands(), (std::vector<std::string>{"---", "+++", "---", "+++", "AT+QUIT", "---"}));
  EXPECT_EQ(sim.CountReceived("---"), 3);
  sim.ClearReceived();
  EXPECT_TRUE(sim.ReceivedCommands().empty());
}

TEST_F(SimTest, RunStateIgnoresCommandLines) {
  // Lines in the run state get no answer: the next reply on the port is the probe's.
  port->Write("AT+SHOW\r\nAT+APN=x\r\n");
  EXPECT_EQ(port->Probe("---"), kCmdOk);
  EXPECT_EQ(sim.Value("Modem Apn:"), "CMNET");
  EXPECT_EQ(sim.CountReceived("AT+"), 2);
}

TEST_F(SimTest, ModemAnswersItsOwnCommandsOnly) {
  ASSERT_EQ(port->Probe("+++"), kCmdOk);
  const std::string csq = port->Command("AT+CSQ");
  EXPECT_EQ(csq.rfind("AT+CSQ\r\n", 0), 0u) << csq;
  EXPECT_NE(csq.find("+CSQ:"), std::string::npos);
  EXPECT_EQ(csq.substr(csq.size() - 6), "\r\nOK\r\n");
  EXPECT_NE(port->Command("AT+GSN").find("\r\nOK\r\n"), std::string::npos);
  EXPECT_EQ(port->Command("AT"), "AT\r\n\r\nOK\r\n");
  EXPECT_EQ(port->Command("AT+SHOW"), "AT+SHOW\r\n\r\nERROR\r\n");
  EXPECT_EQ(port->Command("AT+APN=x"), "AT+APN=x\r\n\r\nERROR\r\n");
  EXPECT_EQ(sim.Value("Modem Apn:"), "CMNET");
  // Probes go to the modem, which ignores them: the next reply is AT+QUIT's.
  port->Write("---");
  EXPECT_EQ(port->Command("AT+QUIT"), "AT+QUIT\r\n\r\nOK\r\n");
  EXPECT_EQ(sim.GetState(), State::Run);
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

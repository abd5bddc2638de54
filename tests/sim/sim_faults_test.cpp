// Faults on demand: ERROR replies and replies cut into blocks.
#include "sim_port.h"

TEST_F(SimTest, ErrorForChosenCommandsCountedOrAlways) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  sim.SetErrorFor("AT+APN", 2);
  EXPECT_EQ(port->Command("AT+APN=a"), "AT+APN=a\r\n\r\nERROR\r\n");
  EXPECT_EQ(port->Command("AT+APN=b"), "AT+APN=b\r\n\r\nERROR\r\n");
  EXPECT_EQ(sim.Value("Modem Apn:"), "CMNET");
  EXPECT_EQ(port->Command("AT+APN=c"), "AT+APN=c\r\n\r\nOK\r\n");
  EXPECT_EQ(sim.Value("Modem Apn:"), "c");

  // A family word covers its numbered instances; other commands are untouched.
  sim.SetErrorFor("AT+MULTISER");
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(port->Command("AT+MULTISER03=1.1.1.1").find("\r\nERROR\r\n"), std::string::npos);
  }
  EXPECT_NE(port->Command("AT+MULTIPORT03=1").find("\r\nOK\r\n"), std::string::npos);
  sim.SetErrorFor("AT+SHOW");
  EXPECT_EQ(port->Command("AT+SHOW"), "AT+SHOW\r\n\r\nERROR\r\n");
  sim.ClearErrors();
  EXPECT_NE(port->Command("AT+MULTISER03=1.1.1.1").find("\r\nOK\r\n"), std::string::npos);

  // A probe refused with CMD ERROR keeps the state, and a refused reset does not restart.
  sim.SetErrorFor("---", 1);
  EXPECT_EQ(port->Probe("---"), kCmdError);
  EXPECT_EQ(sim.GetState(), State::Config);
  sim.SetErrorFor("AT+RESET", 1);
  EXPECT_EQ(port->Command("AT+RESET"), "AT+RESET\r\n\r\nERROR\r\n");
  EXPECT_EQ(sim.GetState(), State::Config);
}

TEST_F(SimTest, RepliesCutIntoBlocksWithGaps) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  // A gap long enough that a reader delayed on a loaded machine still sees two reads.
  const int kBlock = 11, kGapMs = 20000;  // 1 s at the test scale
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

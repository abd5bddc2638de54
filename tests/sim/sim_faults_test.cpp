// Faults on demand: silence, ERROR replies, cut and paced replies, NUL bytes,
// a vanishing port, and API calls from other threads while traffic flows.
#include <sys/stat.h>

#include <thread>

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
  std::string got;
  size_t firstRead = 0;
  const int64_t limit = Timing::NowMs() + kReplyLimitMs;
  while (got.size() < expected.size() && Timing::NowMs() < limit) {
    if (port->ReadSome(got, kReplyLimitMs) < 0) break;
    if (firstRead == 0) firstRead = got.size();
  }
  EXPECT_EQ(got, expected);
  // The second block is a whole gap behind the first.
  EXPECT_LE(firstRead, static_cast<size_t>(kBlock));
  EXPECT_GE(Timing::NowMs() - sent, Timing::Scaled(kGapMs));
  sim.SetChunking(0, 0);
  EXPECT_EQ(port->Command("AT"), "AT\r\n\r\nOK\r\n");
}

TEST_F(SimTest, BaudPacingTakesTenBitTimesPerByte) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  const int kBaud = 1200;
  sim.SetBaudPacing(kBaud);
  const std::string line = "AT+USERNAME=" + std::string(100, 'p');
  const size_t replyBytes = line.size() + 2 + 6;
  const int64_t start = Timing::NowMs();
  EXPECT_EQ(port->Command(line).size(), replyBytes);
  // 10 bit times per byte, scaled like every device delay.
  const double expectedMs = replyBytes * 10.0 * 1000.0 / kBaud * kSimTestScale;
  EXPECT_GE(Timing::NowMs() - start, static_cast<int64_t>(expectedMs * 0.9));
}

TEST_F(SimTest, ApiIsSafeFromOtherThreadsDuringTraffic) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  std::atomic<bool> done{false};
  std::thread poker([&] {
    for (int i = 0; !done.load(); ++i) {
      sim.SetValue("Server5's port:", std::to_string(i));
      (void)sim.Value("Modem Apn:");
      (void)sim.ReceivedCommands();
      (void)sim.CountReceived("AT+");
      (void)sim.GetState();
      (void)sim.Listing();
      sim.SetChunking(i % 3 == 0 ? 64 : 0, 0);
      sim.SetNulBytes(i % 2 == 0);
    }
  });
  for (int i = 0; i < 20; ++i) {
    const std::string v = "v" + std::to_string(i);
    const std::string reply = port->Command("AT+APN=" + v);
    EXPECT_NE(reply.find("\r\nOK\r\n"), std::string::npos) << reply;
    EXPECT_EQ(sim.Value("Modem Apn:"), v);
  }
  EXPECT_NE(port->Command("AT+SHOW").find("Modem Apn:  v19\r\n"), std::string::npos);
  done.store(true);
  poker.join();
  EXPECT_EQ(sim.CountReceived("AT+APN="), 20);
}

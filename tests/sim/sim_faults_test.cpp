// Faults on demand: silence, ERROR replies, cut and paced replies, NUL bytes,
// a vanishing port, and API calls from other threads while traffic flows.
#include <sys/stat.h>

#include <thread>

#include "sim_port.h"

using State = RtuSimulator::State;

TEST_F(SimTest, SilentDeviceNeitherAnswersNorActs) {
  sim.SetSilent(true);
  port->Write("---");
  ASSERT_TRUE(sim.WaitForReceived("---", 1, kReplyLimitMs));
  EXPECT_EQ(sim.GetState(), State::Run);
  sim.SetSilent(false);
  // Had the first probe been acted on or answered, this reply would differ.
  port->Write("---");
  EXPECT_EQ(port->ReadUntil("CMD OK\r\n"), "\r\nCMD OK\r\n");
  EXPECT_EQ(sim.CountReceived("---"), 2);
}

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
  for (int i = 0; i < 3; ++i)
    EXPECT_NE(port->Command("AT+MULTISER03=1.1.1.1").find("\r\nERROR\r\n"), std::string::npos);
  EXPECT_NE(port->Command("AT+MULTIPORT03=1").find("\r\nOK\r\n"), std::string::npos);
  sim.SetErrorFor("AT+SHOW");
  EXPECT_EQ(port->Command("AT+SHOW"), "AT+SHOW\r\n\r\nERROR\r\n");
  sim.ClearErrors();
  EXPECT_NE(port->Command("AT+MULTISER03=1.1.1.1").find("\r\nOK\r\n"), std::string::npos);

  // A probe refused with CMD ERROR keeps the state.
  sim.SetErrorFor("---", 1);
  port->Write("---");
  EXPECT_EQ(port->ReadUntil("CMD ERROR\r\n"), "\r\nCMD ERROR\r\n");
  EXPECT_EQ(sim.GetState(), State::Config);
  // And a refused reset does not restart.
  sim.SetErrorFor("AT+RESET", 1);
  EXPECT_EQ(port->Command("AT+RESET"), "AT+RESET\r\n\r\nERROR\r\n");
  EXPECT_EQ(sim.GetState(), State::Config);
}

TEST_F(SimTest, RepliesCutIntoBlocksWithGaps) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  const int kBlock = 5, kGapMs = 3000;  // 150 ms at the test scale
  sim.SetChunking(kBlock, kGapMs);
  const std::string expected = "AT+APN=chunked\r\n\r\nOK\r\n";  // 22 bytes: 5 blocks
  int64_t sent = Timing::NowMs();
  port->Write("AT+APN=chunked\r\n");
  std::string got;
  size_t firstRead = 0;
  int64_t limit = Timing::NowMs() + kReplyLimitMs;
  while (got.size() < expected.size() && Timing::NowMs() < limit) {
    if (port->ReadSome(got, kReplyLimitMs) < 0) break;
    if (firstRead == 0) firstRead = got.size();
  }
  EXPECT_EQ(got, expected);
  // The next block is a whole gap behind the first.
  EXPECT_LE(firstRead, static_cast<size_t>(kBlock));
  // Four gaps lie between the first and the last block.
  int blocks = (static_cast<int>(expected.size()) + kBlock - 1) / kBlock;
  EXPECT_GE(Timing::NowMs() - sent, (blocks - 1) * Timing::Scaled(kGapMs));
  sim.SetChunking(0, 0);
  EXPECT_EQ(port->Command("AT"), "AT\r\n\r\nOK\r\n");
}

TEST_F(SimTest, NulBytesBeforeReplies) {
  sim.SetNulBytes(true);
  port->Write("---");
  std::string got = port->ReadUntil("CMD OK\r\n");
  ASSERT_GT(got.size(), 10u);
  EXPECT_EQ(got.substr(got.size() - 10), "\r\nCMD OK\r\n");
  std::string lead = got.substr(0, got.size() - 10);
  EXPECT_EQ(lead, std::string(lead.size(), '\0'));
  EXPECT_FALSE(lead.empty());
}

TEST_F(SimTest, BaudPacingTakesTenBitTimesPerByte) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  const int kBaud = 1200;
  sim.SetBaudPacing(kBaud);
  // 10 bit times per byte, scaled like every device delay.
  const std::string line = "AT+USERNAME=" + std::string(100, 'p');
  const size_t replyBytes = line.size() + 2 + 6;
  int64_t start = Timing::NowMs();
  std::string got = port->Command(line);
  int64_t took = Timing::NowMs() - start;
  EXPECT_EQ(got.size(), replyBytes);
  double expectedMs = replyBytes * 10.0 * 1000.0 / kBaud * kSimTestScale;
  EXPECT_GE(took, static_cast<int64_t>(expectedMs * 0.9));
}

TEST_F(SimTest, VanishedPortFailsTheToolsReads) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  std::string name = sim.PortName();
  sim.VanishPort();
  std::string got;
  int r = 0;
  int64_t end = Timing::NowMs() + kReplyLimitMs;
  while (r == 0 && Timing::NowMs() < end) {
    pollfd p{port->Fd(), POLLIN, 0};
    ::poll(&p, 1, 50);
    if (p.revents & (POLLHUP | POLLERR)) r = -1;
    else r = port->ReadSome(got, 1);
  }
  EXPECT_EQ(r, -1);
  struct stat st;
  EXPECT_NE(::stat(name.c_str(), &st), 0) << "the port is gone";
  // Stopping afterwards is harmless; starting again gives a new, working port.
  sim.Stop();
  ASSERT_TRUE(sim.Start());
  SimPort again(sim.PortName());
  ASSERT_TRUE(again.IsOpen());
  again.Write("---");
  EXPECT_NE(again.ReadUntil("CMD").find("CMD"), std::string::npos);
}

TEST_F(SimTest, ApiIsSafeFromOtherThreadsDuringTraffic) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  std::atomic<bool> done{false};
  std::thread poker([&] {
    int i = 0;
    while (!done.load()) {
      sim.SetValue("Server5's port:", std::to_string(i++));
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
    std::string v = "v" + std::to_string(i);
    std::string reply = port->Command("AT+APN=" + v);
    EXPECT_NE(reply.find("\r\nOK\r\n"), std::string::npos) << reply;
    EXPECT_EQ(sim.Value("Modem Apn:"), v);
  }
  std::string show = port->Command("AT+SHOW");
  EXPECT_NE(show.find("Modem Apn:  v19\r\n"), std::string::npos);
  done.store(true);
  poker.join();
  EXPECT_EQ(sim.CountReceived("AT+APN="), 20);
}

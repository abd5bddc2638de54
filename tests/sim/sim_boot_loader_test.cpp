// The simulated boot loader: frame checks on its own, and frames sent to the device
// outside it. Whole transfers through the port are the download device tests.
#include "sim/sim_boot_loader.h"

#include "sim_port.h"

namespace {

const std::string kAck = "\x05";
const std::string kNak = "\x15";

// A frame built by hand: 0x02, length, data, XOR of the data, end byte.
std::string Frame(const std::string& data, bool last) {
  std::string f;
  f += '\x02';
  f += static_cast<char>(data.size() >> 8);
  f += static_cast<char>(data.size() & 0xFF);
  f += data;
  unsigned char x = 0;
  for (char c : data) x ^= static_cast<unsigned char>(c);
  f += static_cast<char>(x);
  f += last ? '\x03' : '\x17';
  return f;
}

std::string Pattern(size_t n, int seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + seed * 7 + (i >> 8)) & 0xFF);
  return s;
}

class BootLoaderUnit : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string out;
    bl.Begin(now, out);
    EXPECT_EQ(out, "P");
    EXPECT_EQ(Feed("\x06"), "");
  }
  // Lets the line stay quiet long enough for the loader to resynchronise.
  void Quiet() {
    now += Timing::Scaled(SimBootLoader::kResyncQuietMs);
    bl.Tick(now);
  }
  std::string Feed(const std::string& bytes) {
    std::string out;
    for (char c : bytes) done = bl.Feed(static_cast<unsigned char>(c), now, out) || done;
    return out;
  }
  SimBootLoader bl;
  int64_t now = 1000;
  bool done = false;
};

}  // namespace

TEST_F(BootLoaderUnit, GoodFramesAreAcknowledgedAndKept) {
  std::string a = Pattern(4096, 1), b = Pattern(1808, 2);
  EXPECT_EQ(Feed(Frame(a, false)), kAck);
  EXPECT_FALSE(done);
  EXPECT_EQ(Feed(Frame(b, true)), kAck);
  EXPECT_TRUE(done);
  EXPECT_EQ(bl.Image(), a + b);
  EXPECT_EQ(bl.ImagesCompleted(), 1);
  EXPECT_EQ(bl.FramesAccepted(), 2);
}

TEST_F(BootLoaderUnit, TheToolsSmallLastFrameIsTaken) {
  // 02 00 03 01 02 03 00 03
  EXPECT_EQ(Feed(std::string("\x02\x00\x03\x01\x02\x03\x00\x03", 8)), kAck);
  EXPECT_TRUE(done);
  EXPECT_EQ(bl.Image(), std::string("\x01\x02\x03", 3));
}

TEST_F(BootLoaderUnit, BrokenFramesAreRefused) {
  std::string good = Frame("abc", false);
  std::string badXor = good;
  badXor[6] ^= 0x40;
  EXPECT_EQ(Feed(badXor), kNak);

  std::string badEnd = good;
  badEnd.back() = 0x04;
  EXPECT_EQ(Feed(badEnd), kNak);
  Quiet();

  EXPECT_EQ(Feed(std::string("\x02\x00\x00", 3)), kNak) << "length 0";
  Quiet();
  EXPECT_EQ(Feed(std::string("\x02\x10\x01", 3)), kNak) << "length 4097";
  Quiet();
  EXPECT_EQ(Feed("\x01"), kNak) << "wrong start byte";
  // Input right after a broken header is discarded until the line is quiet.
  EXPECT_EQ(Feed(good), "");
  Quiet();

  EXPECT_EQ(Feed(good), kAck);
  EXPECT_EQ(bl.Image(), "abc");
  EXPECT_EQ(bl.FramesRejected(), 5);
  EXPECT_FALSE(done);
}

TEST_F(BootLoaderUnit, StalledFrameIsDroppedAfterItsTimeout) {
  std::string f = Frame(Pattern(100, 3), false);
  Feed(f.substr(0, 50));
  now += Timing::Scaled(SimBootLoader::kFrameByteTimeoutMs) - 1;
  bl.Tick(now);
  EXPECT_EQ(Feed(f.substr(50)), kAck) << "still within the time limit";
  Feed(f.substr(0, 50));
  now += Timing::Scaled(SimBootLoader::kFrameByteTimeoutMs);
  bl.Tick(now);
  EXPECT_EQ(Feed(f), kAck) << "the partial frame was dropped";
  EXPECT_EQ(bl.FramesAccepted(), 2);
}

TEST_F(BootLoaderUnit, PollBetweenFramesStartsTheTransferOver) {
  Feed(Frame("first", false));
  EXPECT_EQ(Feed("P"), "P");
  EXPECT_EQ(bl.Image(), "");
  // Before 0x06 nothing is taken; polls are answered.
  EXPECT_EQ(Feed(Frame("x", false)), "");
  EXPECT_EQ(Feed("P"), "P");
  EXPECT_EQ(Feed("\x06"), "");
  EXPECT_EQ(Feed(Frame("again", true)), kAck);
  EXPECT_EQ(bl.Image(), "again");
}

TEST_F(BootLoaderUnit, BlockFaultsRefuseOrLoseTheAcknowledgement) {
  bl.SetBlockFault(2, SimBootLoader::Fault::Refuse, 1);
  bl.SetBlockFault(3, SimBootLoader::Fault::LoseAck, -1);
  EXPECT_EQ(Feed(Frame("one", false)), kAck);
  EXPECT_EQ(Feed(Frame("two", false)), kNak);
  EXPECT_EQ(Feed(Frame("two", false)), kAck) << "refused once only";
  EXPECT_EQ(Feed(Frame("three", false)), "");
  EXPECT_EQ(bl.Image(), "onetwothree") << "a lost acknowledgement keeps the frame";
  EXPECT_EQ(Feed("P"), "P");
  Feed("\x06");
  Feed(Frame("one", false));
  Feed(Frame("two", false));
  EXPECT_EQ(Feed(Frame("three", true)), "") << "block 3 loses its acknowledgement every time";
  EXPECT_TRUE(done);
}

TEST_F(SimTest, FramesOutsideTheBootLoaderAreNotTaken) {
  EnterConfig();
  // The frame's printable bytes make a line of garbage.
  port->Write(Frame("stray", true) + "\r\n");
  EXPECT_NE(port->ReadUntil("\r\nERROR\r\n").find("\r\nERROR\r\n"), std::string::npos);
  EXPECT_EQ(port->Command("AT"), "AT\r\n\r\nOK\r\n");
  EXPECT_EQ(sim.ImagesCompleted(), 0);
  EXPECT_EQ(sim.FramesAccepted(), 0);
}

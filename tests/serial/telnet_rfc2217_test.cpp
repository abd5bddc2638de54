// The Telnet / COM-PORT-OPTION codec of rfc2217:// ports, byte by byte.
#include <gtest/gtest.h>

#include <string>

#include "serial/serial_port.h"
#include "serial/telnet_rfc2217.h"

using namespace telnet;

namespace {

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

struct Fed {
  std::string data, replies;
};
Fed FeedAll(Rfc2217Client& c, const std::string& in) {
  Fed f;
  c.Feed(in.data(), static_cast<int>(in.size()), f.data, f.replies);
  return f;
}
// The same input fed one byte per call.
Fed FeedBytewise(Rfc2217Client& c, const std::string& in) {
  Fed f;
  for (char ch : in) c.Feed(&ch, 1, f.data, f.replies);
  return f;
}

}  // namespace

TEST(TelnetCodec, EscapesEveryIacAndCountsWholeDataBytesSent) {
  const std::string data = B({0x41, 0xFF, 0xFF, 0x00, 0xFF});
  std::string out = "x";
  AppendEscaped(out, data.data(), static_cast<int>(data.size()));
  EXPECT_EQ(out, "x" + B({0x41, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF}));
  const int n = static_cast<int>(data.size());
  // Sent escaped bytes → whole data bytes among them: half an IAC IAC pair does not count.
  const int cases[][2] = {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {6, 4}, {7, 4}, {8, 5}, {99, 5}};
  for (const auto& c : cases) EXPECT_EQ(DataBytesWithin(data.data(), n, c[0]), c[1]) << c[0];
}

TEST(TelnetCodec, LineSettingsAndPurgeAreComPortSubnegotiations) {
  EXPECT_EQ(LineSettingsCommands(115200, 8, serial::kOneStopBit, serial::kParityNone),
            B({255, 250, 44, 1, 0x00, 0x01, 0xC2, 0x00, 255, 240,  // 115200
               255, 250, 44, 2, 8, 255, 240, 255, 250, 44, 3, 1, 255, 240,
               255, 250, 44, 4, 1, 255, 240, 255, 250, 44, 5, 1, 255, 240}));
  // Parity and stop codes of the protocol, not our combo codes.
  const std::string odd2 = LineSettingsCommands(9600, 7, serial::kTwoStopBits, serial::kParityOdd);
  EXPECT_NE(odd2.find(B({255, 250, 44, 3, 2, 255, 240})), std::string::npos);
  EXPECT_NE(odd2.find(B({255, 250, 44, 4, 2, 255, 240})), std::string::npos);
  EXPECT_NE(odd2.find(B({255, 250, 44, 2, 7, 255, 240})), std::string::npos);
  const struct { int parity, code; } parities[] = {{serial::kParityEven, 3}, {serial::kParityMark, 4},
                                                    {serial::kParitySpace, 5}};
  for (const auto& p : parities)
    EXPECT_NE(LineSettingsCommands(9600, 8, serial::kOnePointFiveStopBits, p.parity)
                  .find(B({255, 250, 44, 3, p.code, 255, 240})), std::string::npos) << p.parity;
  EXPECT_NE(LineSettingsCommands(9600, 5, serial::kOnePointFiveStopBits, 0).find(B({255, 250, 44, 4, 3, 255, 240})),
            std::string::npos);
  // A 0xFF in a value is doubled inside the subnegotiation too: 255 baud, 0x00FFFF00 baud.
  EXPECT_EQ(LineSettingsCommands(255, 8, 0, 0).substr(0, 11), B({255, 250, 44, 1, 0, 0, 0, 255, 255, 255, 240}));
  EXPECT_EQ(LineSettingsCommands(0x00FFFF00, 8, 0, 0).substr(0, 12),
            B({255, 250, 44, 1, 0, 255, 255, 255, 255, 0, 255, 240}));
  EXPECT_EQ(PurgeCommand(), B({255, 250, 44, 12, 3, 255, 240}));
}

TEST(TelnetCodec, OpeningAsksForBinarySuppressGoAheadAndComPort) {
  Rfc2217Client c;
  EXPECT_EQ(c.Opening(), B({255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3, 255, 251, 44}));
  EXPECT_EQ(c.ComPortState(), Rfc2217Client::ComPort::kAsked);
  EXPECT_FALSE(c.ServerBinary());
}

TEST(TelnetCodec, AnswersOfTheServerToOurRequestsNeedNoReply) {
  Rfc2217Client c;
  c.Opening();
  const std::string answers = B({255, 253, 0, 255, 251, 0, 255, 253, 3, 255, 251, 3, 255, 253, 44});
  for (auto feed : {FeedAll, FeedBytewise}) {
    Rfc2217Client fresh;
    fresh.Opening();
    const Fed f = feed(fresh, answers);
    EXPECT_EQ(f.replies, "");
    EXPECT_EQ(f.data, "");
    EXPECT_EQ(fresh.ComPortState(), Rfc2217Client::ComPort::kAccepted);
    EXPECT_TRUE(fresh.ServerBinary());
  }
  // Asked again for what is already on: no answer, so the two sides never loop.
  FeedAll(c, answers);
  EXPECT_EQ(FeedAll(c, answers).replies, "");
}

TEST(TelnetCodec, RefusesOptionsItDoesNotDoAndFollowsTheServerTurningOneOff) {
  Rfc2217Client c;
  c.Opening();
  // DO ECHO (1) → WONT ECHO; WILL ECHO → DONT ECHO; WILL COM-PORT from the server → DONT.
  EXPECT_EQ(FeedAll(c, B({255, 253, 1, 255, 251, 1, 255, 251, 44})).replies,
            B({255, 252, 1, 255, 254, 1, 255, 254, 44}));
  // The server refuses COM-PORT-OPTION: no answer to a refusal of our own request.
  const Fed refused = FeedAll(c, B({255, 254, 44}));
  EXPECT_EQ(refused.replies, "");
  EXPECT_EQ(c.ComPortState(), Rfc2217Client::ComPort::kRefused);
  // Binary accepted, then turned off by the server: we confirm once, then silence.
  FeedAll(c, B({255, 251, 0}));
  EXPECT_TRUE(c.ServerBinary());
  EXPECT_EQ(FeedAll(c, B({255, 252, 0})).replies, B({255, 254, 0}));
  EXPECT_FALSE(c.ServerBinary());
  EXPECT_EQ(FeedAll(c, B({255, 252, 0})).replies, "");
  // It asks for it again later: we agree.
  EXPECT_EQ(FeedAll(c, B({255, 251, 0})).replies, B({255, 253, 0}));
  // Our suppress-go-ahead: accepted (no answer), turned off (confirmed), asked again (agreed).
  EXPECT_EQ(FeedAll(c, B({255, 253, 3})).replies, "");
  EXPECT_EQ(FeedAll(c, B({255, 254, 3})).replies, B({255, 252, 3}));
  EXPECT_EQ(FeedAll(c, B({255, 253, 3})).replies, B({255, 251, 3}));
}

TEST(TelnetCodec, DataKeepsEveryByteWithIacIacUndoneWhereverTheBlocksSplit) {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  all += std::string(300, '\xFF');
  std::string wire;
  AppendEscaped(wire, all.data(), static_cast<int>(all.size()));
  // Commands between the data, as a server puts them: NOP, a baud report, DO BINARY.
  wire.insert(10, B({255, 241}));
  wire.insert(40, B({255, 250, 44, 101, 0, 0, 0x25, 0x80, 255, 240}));
  wire.insert(100, B({255, 253, 0}));
  for (auto feed : {FeedAll, FeedBytewise}) {
    Rfc2217Client c;
    c.Opening();
    FeedAll(c, B({255, 251, 0}));  // the server sends binary
    const Fed f = feed(c, wire);
    EXPECT_EQ(f.data, all);
    EXPECT_EQ(f.replies, "");
    EXPECT_EQ(c.Reported(kSetBaudRate), 9600);
  }
}

TEST(TelnetCodec, ServerReportsAreKeptWithEscapedValueBytes) {
  Rfc2217Client c;
  EXPECT_EQ(c.Reported(kSetBaudRate), -1);
  EXPECT_EQ(c.Reported(kSetParity), -1);
  const Fed f = FeedAll(c, B({255, 250, 44, 101, 0, 0, 255, 255, 0, 255, 240, 255, 250, 44, 103, 3, 255, 240,
                              'o', 'k', 255, 250, 44, 112, 3, 255, 240}));
  EXPECT_EQ(c.Reported(kSetBaudRate), 0xFF00);
  EXPECT_EQ(c.Reported(kSetParity), 3);
  EXPECT_EQ(c.Reported(kPurgeData), 3);
  EXPECT_EQ(f.data, "ok");
  // Subnegotiations of other options and reports of unknown codes change nothing.
  FeedAll(c, B({255, 250, 24, 101, 0, 0, 0, 1, 255, 240, 255, 250, 44, 1, 0, 0, 0, 2, 255, 240}));
  EXPECT_EQ(c.Reported(kSetBaudRate), 0xFF00);
  // A runaway subnegotiation is bounded and the data after it still arrives.
  std::string runaway = B({255, 250, 44, 101});
  runaway += std::string(5000, 'z');
  runaway += B({255, 240}) + "after";
  EXPECT_EQ(FeedAll(c, runaway).data, "after");
}

TEST(TelnetCodec, CrNulOfANonBinaryServerIsABareCrAndOtherNulsStay) {
  Rfc2217Client c;
  c.Opening();
  const std::string text = B({'\r', 0, '\n', 0, 'O', '\r', 'K', '\r'});
  EXPECT_EQ(FeedBytewise(c, text).data, B({'\r', '\n', 0, 'O', '\r', 'K', '\r'}));
  // The NUL after the last CR of that block comes in the next one.
  EXPECT_EQ(FeedAll(c, B({0, 'x'})).data, "x");
  Rfc2217Client binary;
  binary.Opening();
  FeedAll(binary, B({255, 251, 0}));
  EXPECT_EQ(FeedAll(binary, text).data, text);
}

// The command exchange (the receive text's overflow rule: the receive-text fuzz target).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <tuple>

#include "protocol/listing.h"
#include "protocol_support.h"

namespace {

using namespace std::string_literals;

class Exchange : public ExchangeFixture {};

TEST_F(Exchange, CommandLinesOfParametersAndCommands) {
  struct Case { int id; int index; const char* stored; const char* line; };
  const Case cases[] = {
      {16, 0, "5", "AT+UPSTEPMIN=5\r\n"}, {20, 0, "1.2.3.4", "AT+MULTISER01=1.2.3.4\r\n"},  // two digits
      {30, 29, "401", "AT+CHNNLTYPE30=401\r\n"}, {31, 6, "12", "AT+CHNSVLEN07=12\r\n"},
      {23, 0, "", "AT+APN=\r\n"},                                  // an empty value still makes a line
      {3, 0, "8-EVN-1", "AT+DBGCOMPARITY=8E1\r\n"},                // the debug parity in page form
      {kCmdShow, 0, "", "AT+SHOW\r\n"}, {kCmdSetInitData, 0, "05=12.5", "AT+SETINITDATA05=12.5\r\n"},
      {kCmdClock, 0, "2024-05-06 07:08:09", "AT+EXCCLK=2024-05-06 07:08:09\r\n"},
      {kCmdProbe, 0, "", "---\r\n"}, {kCmdModem, 0, "", "+++\r\n"},  // the form for logs; sent bare
  };
  for (const Case& c : cases) {
    SetRawValue(*FindParam(c.id), c.index, c.stored);
    std::string out = "garbage";
    EXPECT_EQ(FormatCommandLine(c.id, c.index, out), 1) << c.line;
    EXPECT_EQ(out, c.line);
  }
  // No line for unknown ids or indexes outside the count.
  const std::pair<int, int> none[] = {{164, 0}, {181, 0}, {-1, 0}, {23, 1}, {20, 8}, {30, 30},
                                      {20, -1}, {108, 0} /* count 0 */, {kCmdShow, 1}};
  for (auto [id, index] : none) {
    std::string out = "garbage";
    EXPECT_EQ(FormatCommandLine(id, index, out), 0) << id << "/" << index;
    EXPECT_TRUE(out.empty()) << id << "/" << index;
  }
}

TEST_F(Exchange, NothingIsSentForBadIndexesClosedPortsOrShortWrites) {
  // An index past the count, an unknown id, a closed port.
  const std::tuple<int, int, bool> cases[] = {{23, 1, false}, {164, 0, false}, {kCmdShow, 0, true}};
  for (auto [id, index, close] : cases) {
    if (close) port.Close();
    std::string out = "garbage";
    EXPECT_EQ(exchange.RunCommand(id, index, out), 0) << id;
    EXPECT_TRUE(out.empty()) << id;
  }
  EXPECT_TRUE(port.Writes().empty());
  port.Open("fake", 115200, 8, 0, 0);
  port.SetWriteLimit(3);
  std::string out = "garbage";
  EXPECT_EQ(exchange.RunCommand(23, 0, out), 0);  // though the device answered OK
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(port.Writes(), Lines{"AT+"});
}

TEST_F(Exchange, RepliesDecideTheResult) {
  struct Case { const char* name; int id; Lines blocks; int result; int state; std::string text; };
  const Case cases[] = {
      {"OK", 23, {"AT+APN=\r\n\r\nOK\r\n"}, 1, 1, "AT+APN=\r\n\r\nOK\r\n"},
      {"ERROR", 23, {"AT+APN=\r\n\r\nERROR\r\n"}, 0, 2, "AT+APN=\r\n\r\nERROR\r\n"},
      {"OK then ERROR", 23, {"\r\nOK\r\n\r\nERROR\r\n"}, 0, 2, "\r\nOK\r\n\r\nERROR\r\n"},
      {"ERROR then OK", 23, {"\r\nERROR\r\n\r\nOK\r\n"}, 0, 2, "\r\nERROR\r\n\r\nOK\r\n"},
      {"split over blocks", 23, {"AT+APN=\r", "\n\r", "\nO", "K", "\r\n"}, 1, 1, "AT+APN=\r\n\r\nOK\r\n"},
      {"NUL bytes", kCmdVer, {"\0\0AT\0+VER\r\n"s, "V3.01\0\r\nOK\r\n"s}, 1, 1, "  AT +VER\r\nV3.01 \r\nOK\r\n"},
      // The reply families never match each other: the exchange waits until its limit.
      {"CMD replies", 23, {"\r\nCMD OK\r\n\r\nCMD ERROR\r\n"}, 0, 0, "\r\nCMD OK\r\n\r\nCMD ERROR\r\n"},
      {"OK to a probe", kCmdProbe, {"\r\nOK\r\n\r\nERROR\r\n"}, 0, 0, "\r\nOK\r\n\r\nERROR\r\n"},
      {"probe refused", kCmdModem, {"\r\nCMD ERROR\r\n"}, 0, 2, "\r\nCMD ERROR\r\n"},
      {"probe", kCmdProbe, {"\r\nCMD OK\r\n"}, 1, 1, "\r\nCMD OK\r\n"},
      // A reply handler decides: OK with nothing in the text it could store fails.
      {"listing", kCmdShow, {"AT+SHOW\r\nProtocol work type:  1\r\n", "Modem Apn:  cmnet\r\n\r\nOK\r\n"}, 1, 1,
       "AT+SHOW\r\nProtocol work type:  1\r\nModem Apn:  cmnet\r\n\r\nOK\r\n"},
      {"listing without values", kCmdShow, {"AT+SHOW\r\n\r\nOK\r\n"}, 0, 1, "AT+SHOW\r\n\r\nOK\r\n"},
  };
  for (const Case& c : cases) {
    Answer(c.blocks);
    std::string out = "garbage", line;
    FormatCommandLine(c.id, 0, line);
    if (c.id == kCmdProbe || c.id == kCmdModem) line.resize(3);  // probes go out bare
    const size_t writes = port.Writes().size();
    EXPECT_EQ(exchange.RunCommand(c.id, 0, out), c.result) << c.name;
    EXPECT_EQ(out, c.result ? line : "") << c.name;
    EXPECT_EQ(port.Writes().size(), writes + 1) << c.name;  // sent once
    EXPECT_EQ(port.Writes().back(), line) << c.name;
    EXPECT_EQ(exchange.ReplyState(), c.state) << c.name;
    EXPECT_EQ(exchange.TakeReceivedText(), c.text) << c.name;
  }
  EXPECT_EQ(GetParamText(0, 0), "1");
  EXPECT_EQ(GetParamText(23, 0), "cmnet");
}

// A listing longer than the receive text loses its head: the attempt fails and the
// table keeps every value it held, also those the kept tail would carry; the next
// listing that fits is taken again.
TEST_F(Exchange, ListingThatOverflowsTheReceiveTextFailsAndStoresNothing) {
  SetRawValue(*FindParam(23), 0, "before");
  SetRawValue(*FindParam(24), 0, "user0");
  std::string filler;
  while (filler.size() <= static_cast<size_t>(kReceiveTextMax))
    filler += "Channel01 type:  " + std::string(40, '1') + "\r\n";
  for (const Lines& blocks : {Lines{"AT+SHOW\r\n" + filler, "Modem Apn:  tail\r\n\r\nOK\r\n"},
                              Lines{"AT+SHOW\r\n" + filler + "Modem Apn:  tail\r\n\r\nOK\r\n"}}) {
    Answer(blocks);
    std::string out = "garbage";
    EXPECT_EQ(exchange.RunCommand(kCmdShow, 0, out), 0);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(exchange.ReplyState(), 1);  // the OK was seen: a failure by its length alone
    EXPECT_TRUE(exchange.Overflowed());
    EXPECT_EQ(GetParamText(23, 0), "before");
    EXPECT_EQ(GetParamText(30, 0), "");
    exchange.TakeReceivedText();
  }
  Answer({"AT+SHOW\r\nModem Apn:  tail\r\n\r\nOK\r\n"});
  std::string out;
  EXPECT_EQ(exchange.RunCommand(kCmdShow, 0, out), 1);
  EXPECT_FALSE(exchange.Overflowed());
  EXPECT_EQ(GetParamText(23, 0), "tail");
  EXPECT_EQ(GetParamText(24, 0), "user0");
}

TEST_F(Exchange, TextFromBeforeTheSendIsDroppedNotMatched) {
  // The exchange awaits the APN's reply with nothing pending: one silent exchange.
  port.SetScript(Silent);
  std::string out;
  ASSERT_EQ(exchange.RunCommand(23, 0, out), 0);
  ASSERT_EQ(exchange.CurrentCommandId(), 23);
  ASSERT_FALSE(exchange.ReplyEvent().IsSet());
  port.Feed("\r\nOK\r\n");  // a late answer between two exchanges
  ASSERT_TRUE(exchange.ReplyEvent().WaitUnscaled(kTestMarginMs));
  EXPECT_EQ(exchange.RunCommand(23, 0, out), 0);
  EXPECT_EQ(exchange.TakeReceivedText(), "");
}

// Measures real time: a time-out must not be followed by the pause an answer gets.
class ExchangeRealtime : public ExchangeFixture {};

TEST_F(ExchangeRealtime, SilenceFailsAfterExactlyTheEntrysLimit) {
  port.SetScript(Silent);
  // For the parameter the pause an answer would add is scaled to a whole test margin, so
  // that the upper bound shows on a loaded machine that a time-out does not pause.
  const double parameterScale = static_cast<double>(kTestMarginMs) / kReplyPauseMs;
  const struct { int id; int limitMs; double scale; } cases[] = {{23, 1000, parameterScale}, {kCmdShow, 16000, 0.05}};
  for (const auto& c : cases) {
    Timing::SetScale(c.scale);
    const int margin = c.id == 23 ? Timing::Scaled(kReplyPauseMs) : kTestMarginMs;
    std::string out = "garbage";
    const int64_t start = Timing::NowMs();
    EXPECT_EQ(exchange.RunCommand(c.id, 0, out), 0) << c.id;
    const int64_t took = Timing::NowMs() - start;
    EXPECT_GE(took, Timing::Scaled(c.limitMs)) << c.id;
    EXPECT_LT(took, Timing::Scaled(c.limitMs) + margin) << c.id;
    EXPECT_TRUE(out.empty()) << c.id;
  }
}

// The rest of a reply that comes after the match, during the pause, is in the text taken
// afterwards. (That answers are followed by the pause: the quiet-pause table.)
TEST_F(Exchange, BytesArrivingInThePauseAreKept) {
  Timing::SetScale(0.5);
  Answer({"\r\nOK\r\n"});
  std::thread late([this] {
    if (exchange.ReplyEvent().WaitUnscaled(Within(kReplyPauseMs))) port.Feed("tail of the reply");
  });
  std::string out;
  EXPECT_EQ(exchange.RunCommand(kCmdVer, 0, out), 1);
  late.join();
  EXPECT_EQ(exchange.TakeReceivedText(), "\r\nOK\r\ntail of the reply");
}

TEST_F(Exchange, ReceiveThreadAppendsWhileTheWorkerTakes) {
  exchange.AppendReceived(nullptr, 5);  // no block: nothing to take
  exchange.MatchReply("x", 0);
  EXPECT_EQ(exchange.TakeReceivedText(), "");
  std::atomic<bool> done{false};
  std::string block(997, ' ');
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>('a' + i % 23);
  std::thread receiver([&] {
    for (int i = 0; i < 3000; ++i) exchange.MatchReply(block.data(), static_cast<int>(block.size()));
    done = true;
  });
  size_t total = 0;
  bool whole = true;
  while (!done.load()) {
    const std::string text = exchange.TakeReceivedText();
    total += text.size();
    // Appends are never torn: a taken text ends with a complete block.
    if (!text.empty() && (text.size() < block.size() ||
                          text.compare(text.size() - block.size(), block.size(), block) != 0)) {
      whole = false;
    }
  }
  receiver.join();
  total += exchange.TakeReceivedText().size();
  EXPECT_TRUE(whole);
  EXPECT_LE(total, 3000u * block.size());
  EXPECT_GT(total, 0u);
}

}  // namespace

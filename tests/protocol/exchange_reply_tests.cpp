// Reply matching, results, time limits and the pause after an answer.
#include <gtest/gtest.h>

#include <thread>

#include "exchange_fixture.h"
#include "protocol/listing.h"

namespace {

using Blocks = std::vector<std::string>;

class ExchangeReply : public ExchangeFixture {
 protected:
  void Answer(Blocks blocks) {
    port.SetResponder([blocks](const std::string&) { return blocks; });
  }
  void Match(const std::string& block) {
    exchange.MatchReply(block.data(), static_cast<int>(block.size()));
  }
};

TEST_F(ExchangeReply, OkSucceedsErrorFailsAndBothInOneReplyFail) {
  SetParamText(23, "cmnet", 0);
  std::string out;
  Answer({"AT+APN=cmnet\r\n\r\nOK\r\n"});
  EXPECT_EQ(exchange.RunCommand(23, 0, out), 1);
  EXPECT_EQ(out, "AT+APN=cmnet\r\n");
  EXPECT_EQ(exchange.ReplyState(), 1);

  Answer({"AT+APN=cmnet\r\n\r\nERROR\r\n"});
  EXPECT_EQ(exchange.RunCommand(23, 0, out), 0);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(exchange.ReplyState(), 2);

  Answer({"\r\nOK\r\n\r\nERROR\r\n"});
  EXPECT_EQ(exchange.RunCommand(23, 0, out), 0);
  EXPECT_TRUE(out.empty());
  Answer({"\r\nERROR\r\n\r\nOK\r\n"});
  EXPECT_EQ(exchange.RunCommand(23, 0, out), 0);
  EXPECT_EQ(exchange.ReplyState(), 2);
}

TEST_F(ExchangeReply, SplitReplyMatchesWhenItsLastByteArrives) {
  AwaitReplyOf(23);
  Match("AT+APN=x\r\n\r\nO");
  EXPECT_FALSE(exchange.ReplyEvent().IsSet());
  EXPECT_EQ(exchange.ReplyState(), 0);
  Match("K\r");
  EXPECT_FALSE(exchange.ReplyEvent().IsSet());
  Match("\n");
  EXPECT_TRUE(exchange.ReplyEvent().IsSet());
  EXPECT_EQ(exchange.ReplyState(), 1);
  // An ERROR arriving later in the same text wins.
  Match("\r\nERR");
  EXPECT_EQ(exchange.ReplyState(), 1);
  Match("OR\r\n");
  EXPECT_EQ(exchange.ReplyState(), 2);
}

TEST_F(ExchangeReply, SplitReplyOverTheWireSucceeds) {
  Answer({"AT+APN=\r", "\n\r", "\nO", "K", "\r\n"});
  std::string out;
  EXPECT_EQ(exchange.RunCommand(23, 0, out), 1);
  EXPECT_EQ(exchange.TakeReceivedText(), "AT+APN=\r\n\r\nOK\r\n");
}

TEST_F(ExchangeReply, ReplyFamiliesNeverMatchEachOther) {
  AwaitReplyOf(23);
  Match("\r\nCMD OK\r\n\r\nCMD ERROR\r\n");
  EXPECT_FALSE(exchange.ReplyEvent().IsSet());
  AwaitReplyOf(kCmdProbe);
  Match("\r\nOK\r\n\r\nERROR\r\n");
  EXPECT_FALSE(exchange.ReplyEvent().IsSet());
  Match("\r\nCMD OK\r\n");
  EXPECT_TRUE(exchange.ReplyEvent().IsSet());
}

TEST_F(ExchangeReply, NulBytesBecomeBlanksAndDoNotHideTheReply) {
  Answer({std::string("\0\0AT\0+VER\r\n", 11), std::string("V3.01\0\r\nOK\r\n", 12)});
  std::string out;
  EXPECT_EQ(exchange.RunCommand(kCmdVer, 0, out), 1);
  EXPECT_EQ(exchange.TakeReceivedText(), "  AT +VER\r\nV3.01 \r\nOK\r\n");
}

TEST_F(ExchangeReply, TextFromBeforeTheSendIsDroppedNotMatched) {
  AwaitReplyOf(23);
  port.Feed("\r\nOK\r\n");  // a late answer between two exchanges
  const int64_t deadline = Timing::NowMs() + 5000;
  while (!exchange.ReplyEvent().IsSet() && Timing::NowMs() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(exchange.ReplyEvent().IsSet());
  device.SetSilent(true);
  std::string out;
  EXPECT_EQ(exchange.RunCommand(23, 0, out), 0);
  EXPECT_EQ(exchange.TakeReceivedText(), "");
}

TEST_F(ExchangeReply, ReplyHandlerDecidesTheResult) {
  ResetParamValues();
  Answer({"AT+SHOW\r\nProtocol work type:  1\r\n", "Modem Apn:  cmnet\r\n\r\nOK\r\n"});
  std::string out;
  EXPECT_EQ(exchange.RunCommand(kCmdShow, 0, out), 1);
  EXPECT_EQ(out, "AT+SHOW\r\n");
  EXPECT_EQ(GetParamText(0, 0), "1");
  EXPECT_EQ(GetParamText(23, 0), "cmnet");

  // OK arrived but nothing in the text could be stored: the exchange fails.
  Answer({"AT+SHOW\r\n\r\nOK\r\n"});
  EXPECT_EQ(exchange.RunCommand(kCmdShow, 0, out), 0);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(exchange.ReplyState(), 1);
}

TEST_F(ExchangeReply, SilenceFailsAfterExactlyTheEntrysLimit) {
  device.SetSilent(true);
  std::string out;
  // A parameter's limit (1000 ms); at this scale the pause an answer would add is
  // as long again, so the upper bound also shows that a time-out does not pause.
  Timing::SetScale(0.5);
  int64_t start = Timing::NowMs();
  EXPECT_EQ(exchange.RunCommand(23, 0, out), 0);
  int64_t took = Timing::NowMs() - start;
  EXPECT_GE(took, Timing::Scaled(1000));
  EXPECT_LT(took, Timing::Scaled(1000) + Timing::Scaled(kReplyPauseMs));

  // AT+SHOW waits 16000 ms.
  Timing::SetScale(0.05);
  start = Timing::NowMs();
  EXPECT_EQ(exchange.RunCommand(kCmdShow, 0, out), 0);
  took = Timing::NowMs() - start;
  EXPECT_GE(took, Timing::Scaled(16000));
  EXPECT_LT(took, Timing::Scaled(16000) + 500);
  EXPECT_TRUE(out.empty());
}

TEST_F(ExchangeReply, AnswersAreFollowedByThePauseAndItsBytesAreKept) {
  Timing::SetScale(0.2);
  std::string out;
  int64_t start = Timing::NowMs();
  EXPECT_EQ(exchange.RunCommand(23, 0, out), 1);
  EXPECT_GE(Timing::NowMs() - start, Timing::Scaled(kReplyPauseMs));

  device.FailTimes("AT+APN", 1);
  start = Timing::NowMs();
  EXPECT_EQ(exchange.RunCommand(23, 0, out), 0);
  EXPECT_GE(Timing::NowMs() - start, Timing::Scaled(kReplyPauseMs));

  // The rest of a reply that comes after the match is in the text taken afterwards.
  Timing::SetScale(0.5);
  Event sent;
  port.SetResponder([&sent](const std::string&) {
    sent.Set();
    return Blocks{"\r\nOK\r\n"};
  });
  std::thread late([this, &sent] {
    if (sent.WaitUnscaled(5000) && exchange.ReplyEvent().WaitUnscaled(5000)) {
      port.Feed("tail of the reply");
    }
  });
  EXPECT_EQ(exchange.RunCommand(kCmdVer, 0, out), 1);
  late.join();
  EXPECT_EQ(exchange.TakeReceivedText(), "\r\nOK\r\ntail of the reply");
}

}  // namespace

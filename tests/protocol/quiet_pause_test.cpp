// Fast writing's pause: a setter answered exactly with its echo and OK pauses only until
// the line is quiet; any other answer, a failure or a time-out pauses the full time and
// turns the quiet pause off for every later command.
#include <gtest/gtest.h>

#include "protocol_support.h"

namespace {

class QuietPause : public ExchangeFixture {
 protected:
  // Half scale: the quiet time is 10 ms, the full pause 500 ms.
  void SetUp() override {
    ExchangeFixture::SetUp();
    Timing::SetScale(0.5);
  }
  // One APN setter answered with blocks; its result and how long it took.
  std::pair<int, int64_t> Setter(Lines blocks) {
    port.SetScript([blocks](const std::string&) { return blocks; });
    SetParamText(23, "CMIOT", 0);
    std::string out;
    const int64_t start = Timing::NowMs();
    const int result = exchange.RunCommand(23, 0, out);
    return {result, Timing::NowMs() - start};
  }
};

TEST_F(QuietPause, OnlyAnExactOkAnswerShortensThePauseAndAnythingElseEndsIt) {
  const std::string echo = "AT+APN=CMIOT\r\n";
  struct Case {
    const char* what;
    Lines blocks;
    int result;
    bool fellBack;
  };
  const Case cases[] = {
      {"echo and OK", {echo + "\r\nOK\r\n"}, 1, false},
      {"OK without echo, in two blocks", {"\r\nO", "K\r\n"}, 1, false},
      {"ERROR", {echo + "\r\nERROR\r\n"}, 0, true},
      {"silence", {}, 0, true},
      {"OK with more text", {echo + "\r\nOK\r\n+BUSY\r\n"}, 1, true},
      {"something before the echo", {"\r\n+BUSY\r\n" + echo + "\r\nOK\r\n"}, 1, true},
  };
  for (const Case& c : cases) {
    exchange.SetQuietPause(true);
    const auto [result, took] = Setter(c.blocks);
    EXPECT_EQ(result, c.result) << c.what;
    EXPECT_EQ(exchange.FellBack(), c.fellBack) << c.what;
    EXPECT_EQ(exchange.QuietPause(), !c.fellBack) << c.what;
    if (c.fellBack && c.result == 1) {
      EXPECT_GE(took, Timing::Scaled(kReplyPauseMs)) << c.what;
    }
    if (!c.fellBack) {
      EXPECT_GE(took, Timing::Scaled(kQuietPauseMs)) << c.what;
      EXPECT_LT(took, Timing::Scaled(kReplyPauseMs)) << c.what;
    }
  }
}

TEST_F(QuietPause, AfterTheFallBackAndForOtherCommandsThePauseIsTheFullOne) {
  exchange.SetQuietPause(true);
  ASSERT_EQ(Setter({"\r\nERROR\r\n"}).first, 0);
  const auto [result, took] = Setter({"AT+APN=CMIOT\r\n\r\nOK\r\n"});
  EXPECT_EQ(result, 1);
  EXPECT_GE(took, Timing::Scaled(kReplyPauseMs));
  EXPECT_TRUE(exchange.FellBack());

  // A command that is no setter keeps its pause and does not end the quiet pause.
  exchange.SetQuietPause(true);
  port.SetScript([](const std::string&) { return Lines{"V3\r\n\r\nOK\r\n"}; });
  std::string out;
  const int64_t start = Timing::NowMs();
  EXPECT_EQ(exchange.RunCommand(kCmdVer, 0, out), 1);
  EXPECT_GE(Timing::NowMs() - start, Timing::Scaled(kReplyPauseMs));
  EXPECT_TRUE(exchange.QuietPause());
  EXPECT_FALSE(exchange.FellBack());
}

}  // namespace

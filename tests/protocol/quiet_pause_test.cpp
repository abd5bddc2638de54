// Fast writing's pause: a setter answered exactly with its echo and OK pauses only until
// the line is quiet; any other answer, a failure or a time-out pauses the full time and
// turns the quiet pause off for every later setter.
#include <gtest/gtest.h>

#include "protocol_support.h"

namespace {

// Real time, run alone: a shortened pause (20 ms of quiet) is told from the full one (1 s,
// as many times longer as the build runs slower) by the clock, with a margin that holds on
// a loaded machine under the sanitizers.
class QuietPauseRealtime : public ExchangeFixture {
 protected:
  void SetUp() override {
    ExchangeFixture::SetUp();
    Timing::SetScale(kTestSlowdown);
  }
  // One APN setter answered with blocks: its result and how long it took.
  std::pair<int, int64_t> Setter(Lines blocks) {
    Answer(blocks);
    SetParamText(23, "CMIOT", 0);
    std::string out;
    const int64_t start = Timing::NowMs();
    const int result = exchange.RunCommand(23, 0, out);
    return {result, Timing::NowMs() - start};
  }
};

TEST_F(QuietPauseRealtime, OnlyAnExactOkShortensThePauseAndAnythingElseEndsItForGood) {
  const std::string echo = "AT+APN=CMIOT\r\n", ok = "\r\nOK\r\n";
  const struct { const char* what; Lines blocks; int result; bool fellBack; } cases[] = {
      {"echo and OK", {echo + ok}, 1, false},
      {"OK without echo, in two blocks", {"\r\nO", "K\r\n"}, 1, false},
      {"ERROR", {echo + "\r\nERROR\r\n"}, 0, true},
      {"silence", {}, 0, true},
      {"OK with more text", {echo + ok + "+BUSY\r\n"}, 1, true},
      {"text before the echo", {"\r\n+BUSY\r\n" + echo + ok}, 1, true},
  };
  const int64_t pause = Timing::Scaled(kReplyPauseMs);
  for (const auto& c : cases) {
    exchange.SetQuietPause(true);
    const auto [result, took] = Setter(c.blocks);
    EXPECT_EQ(result, c.result) << c.what;
    EXPECT_EQ(exchange.FellBack(), c.fellBack) << c.what;
    // A failure pauses too (a time-out waited as long as the pause).
    EXPECT_EQ(took >= pause, c.fellBack) << c.what << " took " << took;
    if (c.fellBack) {
      EXPECT_GE(Setter({echo + ok}).second, pause) << c.what << ": not for good";
    }
  }
}

}  // namespace

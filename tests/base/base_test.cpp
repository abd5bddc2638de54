// Base helpers: events, time scaling, C-style numbers, code page 936, log lines.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "base/cp936.h"
#include "base/cstr.h"
#include "base/event.h"
#include "base/log_text.h"
#include "base/timing.h"
#include "support/wait.h"

TEST(EventTest, ManualResetStaysSignalledUntilResetAndWakesAWaiter) {
  Event e;
  EXPECT_FALSE(e.WaitUnscaled(0));
  e.Set();
  EXPECT_TRUE(e.WaitUnscaled(0));
  EXPECT_TRUE(e.WaitUnscaled(0)) << "a manual-reset event is not consumed by a wait";
  e.Reset();
  EXPECT_FALSE(e.IsSet());
  EXPECT_TRUE(Event(true).IsSet());
  // A wait wakes when another thread sets it.
  std::thread t([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    e.Set();
  });
  EXPECT_TRUE(e.WaitUnscaled(kTestMarginMs));
  t.join();
}

TEST(TimingTest, ScaleShortensWaitsAndSleeps) {
  Timing::SetScale(0.01);
  EXPECT_EQ(Timing::Scaled(16000), 160);
  EXPECT_EQ(Timing::Scaled(10), 1) << "a positive limit never becomes 0";
  EXPECT_EQ(Timing::Scaled(0), 0);
  EXPECT_EQ(Timing::Scaled(-1), -1);
  // A wait far longer than a test margin, scaled to a hundredth: it ends on the scaled time.
  Event e;
  const int unscaledMs = 4 * kTestMarginMs;
  auto t0 = Timing::NowMs();
  EXPECT_FALSE(e.Wait(unscaledMs));
  auto waited = Timing::NowMs() - t0;
  EXPECT_GE(waited, Timing::Scaled(unscaledMs) - 5);
  EXPECT_LT(waited, unscaledMs / 2);
  Timing::SetScale(0);  // invalid scale falls back to 1
  EXPECT_EQ(Timing::Scale(), 1.0);
  Timing::SetScale(1.0);
}

TEST(CstrTest, NumbersLikeTheCLibrary) {
  const std::pair<const char*, int> atoi[] = {{"  42abc", 42}, {"-7", -7}, {"+3", 3}, {"abc", 0}, {"", 0},
                                              {"COM12" + 3, 12}, {"99999999999999999999", 2147483647}};
  for (auto [text, value] : atoi) EXPECT_EQ(cstr::Atoi(text), value) << text;  // the last saturates
  EXPECT_EQ(cstr::Atol("115200"), 115200);
  EXPECT_EQ(cstr::FormatU(-1), "4294967295");
  EXPECT_EQ(cstr::FormatU(5), "5");
  EXPECT_EQ(cstr::FormatD(-1), "-1");
}

TEST(Cp936Test, RoundTripAndKnownBytes) {
  const std::string gbk = GBK("设置成功\r\n");
  EXPECT_EQ(gbk, "\xC9\xE8\xD6\xC3\xB3\xC9\xB9\xA6\r\n");
  EXPECT_EQ(cp936::ToUtf8(gbk), "设置成功\r\n");
  EXPECT_EQ(cp936::FromUtf8("AT+SHOW"), "AT+SHOW");
  EXPECT_EQ(cp936::FromUtf8(""), "");
  // Bytes that are no valid GBK do not stop the conversion.
  std::string bad = cp936::ToUtf8(std::string("A\xFF\xFF" "B", 4));
  EXPECT_EQ(bad.front(), 'A');
  EXPECT_EQ(bad.back(), 'B');
}

TEST(Cp936Test, StreamDecoderJoinsACharacterSplitBetweenPieces) {
  const std::string gbk = "A" + GBK("设置成功") + "\x80Z";
  for (size_t cut = 0; cut <= gbk.size(); ++cut) {
    cp936::StreamDecoder d;
    const std::string first = d.ToUtf8(gbk.substr(0, cut));
    EXPECT_EQ(first + d.ToUtf8(gbk.substr(cut)), cp936::ToUtf8(gbk)) << "cut at " << cut;
  }
  cp936::StreamDecoder d;
  EXPECT_EQ(d.ToUtf8("\xC9"), "");  // a lead byte waits for its second byte
  d.Reset();                          // a new text: the held byte is dropped
  EXPECT_EQ(d.ToUtf8("OK"), "OK");
}

TEST(LogTextTest, TimeStampedLineForm) {
  std::tm tm{};
  tm.tm_year = 2024 - 1900, tm.tm_mon = 1, tm.tm_mday = 29, tm.tm_hour = 23, tm.tm_min = 59, tm.tm_sec = 58;
  tm.tm_isdst = -1;
  EXPECT_EQ(TimeStampedLine("OK\r\n", std::mktime(&tm)), "<Time:2024-02-29 23:59:58>:OK\r\n");
}

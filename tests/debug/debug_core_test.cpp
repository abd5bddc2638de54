// The console's receive log, text helpers and sender.
#include <gtest/gtest.h>

#include "base/cp936.h"
#include "debug/debug_sender.h"
#include "debug/debug_text.h"
#include "debug/receive_log.h"
#include "fake_port.h"

using debug_text::HexParse;

TEST(DebugHexParse, PairsBlanksAndBadInput) {
  std::string out;
  EXPECT_EQ(debug_text::ParseHex("41 4 2", out), HexParse::Ok);
  EXPECT_EQ(out, "\x41\x42");
  EXPECT_EQ(debug_text::ParseHex(" a0Ff 7", out), HexParse::Ok);  // dangling 7 dropped
  EXPECT_EQ(out, "\xA0\xFF");
  EXPECT_EQ(debug_text::ParseHex("", out), HexParse::Ok);
  EXPECT_TRUE(out.empty());
  for (const char* bad : {"4G", "41,42", "41\t42", "0x41", "41\r\n"}) {
    out = "stale";
    EXPECT_EQ(debug_text::ParseHex(bad, out), HexParse::InvalidChar) << bad;
    EXPECT_TRUE(out.empty()) << bad;
  }
}

TEST(DebugHexParse, LengthLimit) {
  std::string pairs;
  for (int i = 0; i < debug_text::kHexSendMax; ++i) pairs += (i % 2) ? "5a " : "A5";
  std::string out;
  ASSERT_EQ(debug_text::ParseHex(pairs, out), HexParse::Ok);
  ASSERT_EQ(out.size(), static_cast<size_t>(debug_text::kHexSendMax));
  EXPECT_EQ(out.substr(0, 2), "\xA5\x5A");
  EXPECT_EQ(debug_text::ParseHex(pairs + "   ", out), HexParse::Ok);  // trailing blanks are fine
  EXPECT_EQ(debug_text::ParseHex(pairs + "01", out), HexParse::TooLong);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(debug_text::ParseHex(pairs + "0", out), HexParse::TooLong);
  // An invalid character inside the limit is reported as such.
  EXPECT_EQ(debug_text::ParseHex("zz" + pairs + "01", out), HexParse::InvalidChar);
}

TEST(DebugRender, HexTextAndFileName) {
  const std::string bytes("\x41\x42\x00\x0D\x0A\xFF", 6);
  EXPECT_EQ(debug_text::RenderHex(bytes), "41 42 00 0D 0A FF ");
  EXPECT_EQ(debug_text::RenderText(bytes), std::string("AB#\r\n\xFF"));
  EXPECT_EQ(debug_text::RenderHex(""), "");
  // Parsing the hex rendering gives the bytes back.
  std::string back;
  ASSERT_EQ(debug_text::ParseHex(debug_text::RenderHex(bytes), back), HexParse::Ok);
  EXPECT_EQ(back, bytes);

  std::tm tm{};
  tm.tm_year = 2024 - 1900;
  tm.tm_mon = 4;
  tm.tm_mday = 7;
  tm.tm_hour = 9;
  tm.tm_min = 3;
  tm.tm_sec = 1;
  tm.tm_isdst = -1;
  EXPECT_EQ(debug_text::DefaultLogFileName(std::mktime(&tm)), "Log2024_5_7_09-03-01");
}

TEST(DebugReceiveLog, IncrementalUpdatesAndRestart) {
  ReceiveLog log;
  EXPECT_FALSE(log.TakeUpdate().changed);
  log.Append("abc");
  log.Append(std::string("d\0e", 3));
  auto u = log.TakeUpdate();
  EXPECT_TRUE(u.changed);
  EXPECT_FALSE(u.full);
  EXPECT_EQ(u.bytes, std::string("abcd\0e", 6));
  EXPECT_EQ(u.length, 6);
  EXPECT_FALSE(log.TakeUpdate().changed);
  log.Append("fg");
  u = log.TakeUpdate();
  EXPECT_FALSE(u.full);
  EXPECT_EQ(u.bytes, "fg");  // only the new bytes

  // Fill to exactly the capacity: still appended.
  const std::string big(ReceiveLog::kCapacity - 8, 'x');
  EXPECT_FALSE(log.Append(big));
  EXPECT_EQ(log.Length(), ReceiveLog::kCapacity);
  u = log.TakeUpdate();
  EXPECT_FALSE(u.full);
  EXPECT_EQ(u.bytes.size(), big.size());
  // One byte more restarts the log with that block alone, and forces a full redraw.
  EXPECT_TRUE(log.Append("NEW"));
  EXPECT_EQ(log.Bytes(), "NEW");
  u = log.TakeUpdate();
  EXPECT_TRUE(u.full);
  EXPECT_EQ(u.bytes, "NEW");
  EXPECT_EQ(u.length, 3);
  EXPECT_EQ(log.TotalAppended(), 8u + big.size() + 3u);

  // A block larger than the log keeps its first kCapacity bytes.
  std::string huge(ReceiveLog::kCapacity + 10, 'h');
  huge[0] = 'F';
  log.Append(huge);
  EXPECT_EQ(log.Length(), ReceiveLog::kCapacity);
  EXPECT_EQ(log.Bytes()[0], 'F');
}

TEST(DebugReceiveLog, ClearAndViewChangeRedraw) {
  ReceiveLog log;
  log.Append("hello");
  log.TakeUpdate();
  log.Clear();
  auto u = log.TakeUpdate();
  EXPECT_TRUE(u.changed);
  EXPECT_TRUE(u.full);
  EXPECT_TRUE(u.bytes.empty());
  // Same length again after a clear is still a full redraw, not "nothing new".
  log.Append("HELLO");
  log.Clear();
  log.Append("world");
  u = log.TakeUpdate();
  EXPECT_TRUE(u.full);
  EXPECT_EQ(u.bytes, "world");
  log.ForceFullRedraw();
  u = log.TakeUpdate();
  EXPECT_TRUE(u.full);
  EXPECT_EQ(u.bytes, "world");
}

TEST(DebugSender, TextNewlineHexAndCounter) {
  FakePort port;
  DebugSender s;
  s.SetInput("AT", false);
  EXPECT_EQ(s.Send(port, false, true), DebugSender::Result::Sent);
  EXPECT_EQ(port.Written(), "AT\r\n");
  EXPECT_EQ(s.SentCount(), 4);
  port.ClearWrites();
  // Hex mode ignores the newline box.
  EXPECT_EQ(s.SetInput("41 4 2", true), HexParse::Ok);
  EXPECT_EQ(s.Send(port, true, true), DebugSender::Result::Sent);
  EXPECT_EQ(port.Written(), "AB");
  EXPECT_EQ(s.SentCount(), 6);
  // Each mode keeps its last input.
  EXPECT_EQ(s.InputFor(true), "41 42 ");
  EXPECT_EQ(s.InputFor(false), "AT");
  // A bad hex input empties the hex buffer: nothing is sent.
  EXPECT_EQ(s.SetInput("4G", true), HexParse::InvalidChar);
  EXPECT_EQ(s.Send(port, true, false), DebugSender::Result::Empty);
  EXPECT_EQ(s.InputFor(true), "");
  s.ResetCount();
  EXPECT_EQ(s.SentCount(), 0);
}

TEST(DebugSender, ClosedPortShortWriteAndTextLimit) {
  FakePort port;
  DebugSender s;
  s.SetInput("hello", false);
  port.Close();
  EXPECT_EQ(s.Send(port, false, true), DebugSender::Result::PortClosed);
  port.Open("x", 115200, 8, 0, 0);
  port.SetWriteLimit(3);
  EXPECT_EQ(s.Send(port, false, true), DebugSender::Result::ShortWrite);
  EXPECT_EQ(s.SentCount(), 0);
  EXPECT_EQ(port.CountWrites("\r\n"), 0);  // no newline after a short write
  // The newline itself short: the text counts, the newline does not.
  s.SetInput("a", false);
  port.SetWriteLimit(1);
  EXPECT_EQ(s.Send(port, false, true), DebugSender::Result::Sent);
  EXPECT_EQ(s.SentCount(), 1);
  s.SetInput("ab", false);
  EXPECT_EQ(s.Send(port, false, true), DebugSender::Result::ShortWrite);
  EXPECT_EQ(s.SentCount(), 1);
  // The text buffer keeps the first 10240 bytes.
  s.SetInput(std::string(DebugSender::kTextSendMax + 5, 'q'), false);
  EXPECT_EQ(s.InputFor(false).size(), static_cast<size_t>(DebugSender::kTextSendMax));
  // GBK text goes out unchanged.
  const std::string gbk = GBK("调试");
  s.SetInput(gbk, false);
  port.SetWriteLimit(-1);
  port.ClearWrites();
  s.Send(port, false, false);
  EXPECT_EQ(port.Written(), gbk);
}

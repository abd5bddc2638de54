// The console's receive log, text helpers and sender.
#include <gtest/gtest.h>

#include <tuple>

#include "debug/debug_sender.h"
#include "debug/debug_text.h"
#include "debug/receive_log.h"
#include "support/scripted_port.h"

using debug_text::HexParse;

TEST(DebugText, HexParseRenderAndLogFileName) {
  std::string pairs, bytes;  // the longest input: kHexSendMax pairs
  for (int i = 0; i < debug_text::kHexSendMax; ++i) {
    pairs += (i % 2) ? "5a " : "A5";
    bytes += (i % 2) ? '\x5A' : '\xA5';
  }
  struct Case {
    std::string input;
    HexParse result;
    std::string bytes;
  };
  const Case cases[] = {
      {"41 4 2", HexParse::Ok, "\x41\x42"},
      {" a0Ff 7", HexParse::Ok, "\xA0\xFF"},  // a dangling digit is dropped
      {"", HexParse::Ok, ""},
      {"4G", HexParse::InvalidChar, ""},
      {"41,42", HexParse::InvalidChar, ""},
      {"41\t42", HexParse::InvalidChar, ""},
      {"0x41", HexParse::InvalidChar, ""},
      {"41\r\n", HexParse::InvalidChar, ""},
      {pairs, HexParse::Ok, bytes},
      {pairs + "   ", HexParse::Ok, bytes},  // trailing blanks are fine
      {pairs + "01", HexParse::TooLong, ""},
      {pairs + "0", HexParse::TooLong, ""},
      {"zz" + pairs + "01", HexParse::InvalidChar, ""},  // found before the length
  };
  for (const Case& c : cases) {
    std::string out = "stale";
    EXPECT_EQ(debug_text::ParseHex(c.input, out), c.result) << c.input.substr(0, 12) << " ("
                                                           << c.input.size() << ")";
    EXPECT_EQ(out, c.bytes) << c.input.substr(0, 12);
  }

  const std::string raw("\x41\x42\x00\x0D\x0A\xFF", 6);
  EXPECT_EQ(debug_text::RenderHex(raw), "41 42 00 0D 0A FF ");
  EXPECT_EQ(debug_text::RenderText(raw), std::string("AB#\r\n\xFF"));
  EXPECT_EQ(debug_text::RenderHex(""), "");
  // Parsing the hex rendering gives the bytes back.
  std::string back;
  ASSERT_EQ(debug_text::ParseHex(debug_text::RenderHex(raw), back), HexParse::Ok);
  EXPECT_EQ(back, raw);

  std::tm tm{};
  tm.tm_sec = 1, tm.tm_min = 3, tm.tm_hour = 9, tm.tm_mday = 7, tm.tm_mon = 4, tm.tm_year = 124;
  tm.tm_isdst = -1;
  EXPECT_EQ(debug_text::DefaultLogFileName(std::mktime(&tm)), "Log2024_5_7_09-03-01");
}

// What the display takes: (changed, full redraw, bytes).
std::tuple<bool, bool, std::string> Take(ReceiveLog& log) {
  const ReceiveLog::Update u = log.TakeUpdate();
  EXPECT_EQ(u.length, log.Length());
  return {u.changed, u.full, u.bytes};
}
using U = std::tuple<bool, bool, std::string>;

TEST(DebugReceiveLog, IncrementalUpdatesRestartClearAndRedraw) {
  ReceiveLog log;
  EXPECT_EQ(Take(log), U(false, false, ""));
  log.Append("abc");
  log.Append(std::string("d\0e", 3));
  EXPECT_EQ(Take(log), U(true, false, std::string("abcd\0e", 6)));
  EXPECT_FALSE(std::get<0>(Take(log)));
  log.Append("fg");
  EXPECT_EQ(Take(log), U(true, false, "fg"));  // only the new bytes

  // Fill to exactly the capacity: still appended.
  const std::string big(ReceiveLog::kCapacity - 8, 'x');
  EXPECT_FALSE(log.Append(big));
  EXPECT_EQ(log.Length(), ReceiveLog::kCapacity);
  EXPECT_EQ(Take(log), U(true, false, big));
  // One byte more restarts the log with that block alone, and forces a full redraw.
  EXPECT_TRUE(log.Append("NEW"));
  EXPECT_EQ(Take(log), U(true, true, "NEW"));
  EXPECT_EQ(log.TotalAppended(), 8u + big.size() + 3u);
  // A block larger than the log keeps its first kCapacity bytes.
  std::string huge(ReceiveLog::kCapacity + 10, 'h');
  huge[0] = 'F';
  log.Append(huge);
  EXPECT_EQ(log.Length(), ReceiveLog::kCapacity);
  EXPECT_EQ(log.Bytes()[0], 'F');

  log.Clear();
  EXPECT_EQ(Take(log), U(true, true, ""));
  // Same length again after a clear is still a full redraw, not "nothing new".
  log.Append("HELLO");
  log.Clear();
  log.Append("world");
  EXPECT_EQ(Take(log), U(true, true, "world"));
  log.ForceFullRedraw();
  EXPECT_EQ(Take(log), U(true, true, "world"));
}

TEST(DebugSender, ClosedPortShortWriteAndTextLimit) {
  ScriptedPort port;
  DebugSender s;
  s.SetInput("hello", false);
  port.Close();
  EXPECT_EQ(s.Send(port, false, true), DebugSender::Result::PortClosed);
  port.Open("x", 115200, 8, 0, 0);
  port.SetWriteLimit(3);
  EXPECT_EQ(s.Send(port, false, true), DebugSender::Result::ShortWrite);
  EXPECT_EQ(s.SentCount(), 0);
  EXPECT_EQ(port.Count("\r\n"), 0);  // no newline after a short write
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
}

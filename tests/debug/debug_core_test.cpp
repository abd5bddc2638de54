// The console's receive log, text helpers, time stamps and sender.
#include <gtest/gtest.h>

#include <ctime>
#include <tuple>

#include "debug/debug_sender.h"
#include "debug/debug_text.h"
#include "debug/line_stamper.h"
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

// Milliseconds since the epoch of a local wall-clock time on 2024-05-07.
int64_t LocalMs(int hour, int min, int sec, int ms) {
  std::tm tm{};
  tm.tm_year = 124;
  tm.tm_mon = 4;
  tm.tm_mday = 7;
  tm.tm_hour = hour;
  tm.tm_min = min;
  tm.tm_sec = sec;
  tm.tm_isdst = -1;
  return static_cast<int64_t>(std::mktime(&tm)) * 1000 + ms;
}

TEST(DebugLineStamper, OneStampPerLineAtItsFirstBytesArrival) {
  EXPECT_EQ(LineStamper::Stamp(LocalMs(9, 3, 1, 45)), "[09:03:01.045]");
  EXPECT_EQ(LineStamper::Stamp(LocalMs(23, 59, 59, 999)), "[23:59:59.999]");
  const int64_t t1 = LocalMs(10, 0, 0, 1), t2 = LocalMs(10, 0, 0, 2), t3 = LocalMs(10, 0, 0, 3),
                t4 = LocalMs(10, 0, 1, 0), t5 = LocalMs(10, 0, 2, 500);
  const std::string s1 = LineStamper::Stamp(t1), s2 = LineStamper::Stamp(t2), s3 = LineStamper::Stamp(t3),
                    s4 = LineStamper::Stamp(t4), s5 = LineStamper::Stamp(t5);

  // Blocks "ab" (t1), "c\r\nde" (t2), "f\n" (t3) in one run: the line that began in the first
  // block keeps its stamp; "\r\n" ends one line; the line ended by the last byte waits for
  // the next byte's block.
  LineStamper stamper;
  EXPECT_EQ(stamper.Render("abc\r\ndef\n", {{0, t1}, {2, t2}, {7, t3}}), s1 + "abc\r\n" + s2 + "def\n");
  // The next run continues: an empty line, then one split over two blocks, then a lone '\r'
  // that does not end a line.
  EXPECT_EQ(stamper.Render("\ng", {{0, t4}}), s4 + "\n" + s4 + "g");
  EXPECT_EQ(stamper.Render("h\ri\n", {{0, t5}}), "h\ri\n");
  EXPECT_EQ(stamper.Render("", {}), "");
  EXPECT_EQ(stamper.Render("j", {{0, t5}}), s5 + "j");
  // Reset: a new display or file begins with a line.
  stamper.Reset();
  EXPECT_EQ(stamper.Render("k\n\nl", {{0, t3}}), s3 + "k\n" + s3 + "\n" + s3 + "l");
}

// The console's notices begin with "\r\n" to end a line the device left open: where no line
// is open that empty line gets no stamp; the device's own empty lines keep theirs.
TEST(DebugLineStamper, ANoticesOpeningLineBreakIsNotStampedAsALine) {
  const int64_t t1 = LocalMs(11, 0, 0, 1), t2 = LocalMs(11, 0, 0, 2), t3 = LocalMs(11, 0, 0, 3);
  const std::string s1 = LineStamper::Stamp(t1), s2 = LineStamper::Stamp(t2), s3 = LineStamper::Stamp(t3);
  const std::string notice = "\r\nPAUSED...\r\n";
  LineStamper stamper;
  // After a whole line: the notice's empty line unstamped, its text stamped.
  EXPECT_EQ(stamper.Render("OK\r\n" + notice, {{0, t1}, {4, t2, true}}), s1 + "OK\r\n\r\n" + s2 + "PAUSED...\r\n");
  // A device line left open: the notice's line break ends it and its text is stamped.
  EXPECT_EQ(stamper.Render("+CSQ" + notice, {{0, t1}, {4, t2, true}}), s1 + "+CSQ\r\n" + s2 + "PAUSED...\r\n");
  // The device's empty lines, before and after a notice, are stamped.
  EXPECT_EQ(stamper.Render("\r\n" + notice + "\n", {{0, t1}, {2, t2, true}, {2 + notice.size(), t3}}),
            s1 + "\r\n\r\n" + s2 + "PAUSED...\r\n" + s3 + "\n");
}

TEST(DebugReceiveLog, ANoticeKeepsItsOwnEntryBesideTheDevicesBytesOfTheSameMillisecond) {
  ReceiveLog log;
  log.Append("ab", 1000);
  log.AppendNotice("\r\nN\r\n", 1000);
  log.Append("cd", 1000);
  const ReceiveLog::Update u = log.TakeUpdate();
  ASSERT_EQ(u.arrivals.size(), 3u);
  EXPECT_FALSE(u.arrivals[0].notice);
  EXPECT_TRUE(u.arrivals[1].notice);
  EXPECT_EQ(u.arrivals[1].offset, 2u);
  EXPECT_FALSE(u.arrivals[2].notice);
  EXPECT_EQ(u.arrivals[2].offset, 7u);
  // An update that begins inside a notice's entry (a later notice of the same millisecond
  // joined it) still knows it for one.
  log.AppendNotice("x", 1000);
  EXPECT_EQ(log.TakeUpdate().bytes, "x");
  log.AppendNotice("y", 1000);
  const ReceiveLog::Update next = log.TakeUpdate();
  EXPECT_EQ(next.bytes, "y");
  ASSERT_EQ(next.arrivals.size(), 1u);
  EXPECT_EQ(next.arrivals[0].offset, 0u);
  EXPECT_TRUE(next.arrivals[0].notice);
  EXPECT_EQ(log.Copy().arrivals.size(), 4u);
}

TEST(DebugReceiveLog, KeepsEachBlocksArrivalForTheStamps) {
  ReceiveLog log;
  log.Append("ab", 1000);
  log.Append("cd", 1000);  // the same millisecond: one entry
  log.Append("ef", 2000);
  ReceiveLog::Update u = log.TakeUpdate();
  ASSERT_EQ(u.arrivals.size(), 2u);
  EXPECT_EQ(u.arrivals[0].offset, 0u);
  EXPECT_EQ(u.arrivals[1].offset, 4u);
  EXPECT_EQ(u.arrivals[1].ms, 2000);
  // An update that continues a block of the same millisecond gets that block's time at 0.
  log.Append("gh", 2000);
  log.Append("ij", 3000);
  u = log.TakeUpdate();
  EXPECT_EQ(u.bytes, "ghij");
  ASSERT_EQ(u.arrivals.size(), 2u);
  EXPECT_EQ(u.arrivals[0].offset, 0u);
  EXPECT_EQ(u.arrivals[0].ms, 2000);
  EXPECT_EQ(u.arrivals[1].offset, 2u);
  EXPECT_EQ(u.arrivals[1].ms, 3000);
  const ReceiveLog::Contents c = log.Copy();
  EXPECT_EQ(c.bytes, "abcdefghij");
  EXPECT_EQ(c.arrivals.size(), 3u);

  // A restart keeps only the new block's time; a clear forgets all.
  log.Append(std::string(ReceiveLog::kCapacity, 'x'), 4000);
  u = log.TakeUpdate();
  EXPECT_TRUE(u.full);
  ASSERT_EQ(u.arrivals.size(), 1u);
  EXPECT_EQ(u.arrivals[0].ms, 4000);
  log.Clear();
  log.Append("z", 4000);
  EXPECT_EQ(log.Copy().arrivals.size(), 1u);
  EXPECT_EQ(log.Copy().arrivals[0].offset, 0u);
}

TEST(DebugSender, BytesOfAnotherInputGoOutAndCountAsTheSendBoxs) {
  ScriptedPort port;
  DebugSender s;
  s.SetInput("box", false);
  std::string bytes;
  EXPECT_EQ(DebugSender::Parse("01 0g", true, bytes), HexParse::InvalidChar);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(DebugSender::Parse("41 42", true, bytes), HexParse::Ok);
  EXPECT_EQ(s.SendBytes(port, bytes, true, true), DebugSender::Result::Sent);  // no newline after hex
  EXPECT_EQ(DebugSender::Parse("hi", false, bytes), HexParse::Ok);
  EXPECT_EQ(s.SendBytes(port, bytes, false, true), DebugSender::Result::Sent);
  EXPECT_EQ(port.Written(), "ABhi\r\n");
  EXPECT_EQ(s.SentCount(), 6);
  EXPECT_EQ(s.InputFor(false), "box");  // the send box's own input is untouched
  EXPECT_EQ(s.SendBytes(port, "", false, true), DebugSender::Result::Empty);
  EXPECT_EQ(s.SentCount(), 6);
}

#include "app/reply_matcher.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void Append(ReplyMatcher& m, const std::string& s) { m.Append(s.data(), static_cast<int>(s.size())); }

TEST(ReplyMatcher, FindsRepliesSplitOverBlocksAndPrefersCmdError) {
  ReplyMatcher m;
  Append(m, "echo\r\nCMD O");
  EXPECT_EQ(m.Find(), ReplyMatcher::kNone);
  Append(m, "K\r\n");
  EXPECT_EQ(m.Find(), ReplyMatcher::kCmdOk);
  Append(m, "\r\nCMD ERR");
  EXPECT_EQ(m.Find(), ReplyMatcher::kCmdOk);
  Append(m, "OR\r\n");
  // Both are in the text now: CMD ERROR wins although CMD OK came first.
  EXPECT_EQ(m.Find(), ReplyMatcher::kCmdError);
  m.Clear();
  EXPECT_EQ(m.Text(), "");
  // Incomplete or different texts are no reply.
  Append(m, "\r\nCMD OK\r");
  Append(m, "CMD ERROR\r\n");
  Append(m, "\nCMD OK\r\n");  // no CR before the LF
  Append(m, "\r\ncmd ok\r\n");
  EXPECT_EQ(m.Find(), ReplyMatcher::kNone);
}

TEST(ReplyMatcher, KeepsUpTo4094CharactersThenOnlyTheLast255AndFindsAReplyBeginningThere) {
  ReplyMatcher m;
  std::string first(4000, 'a');
  first[3999] = 'Z';
  Append(m, first);
  Append(m, std::string(94, 'b'));
  ASSERT_EQ(m.Text().size(), 4094u);  // exactly full: nothing dropped
  EXPECT_EQ(m.Text()[3999], 'Z');

  Append(m, "c");
  // 4095 would not fit: the last 255 characters of the old text stay, then the new one.
  ASSERT_EQ(m.Text().size(), 256u);
  EXPECT_EQ(m.Text().substr(0, 255), std::string(160, 'a') + "Z" + std::string(94, 'b'));
  EXPECT_EQ(m.Text().back(), 'c');

  // A reply beginning in the kept tail is still found.
  m.Clear();
  Append(m, std::string(4000, 'x') + "\r\nCMD ");
  EXPECT_EQ(m.Find(), ReplyMatcher::kNone);
  // 255 kept + 3900 would overflow too: only as much old text as fits stays (194 here),
  // which still holds the beginning of the reply.
  Append(m, "ERROR\r\n" + std::string(3893, 'y'));
  EXPECT_EQ(m.Text().size(), 4094u);
  EXPECT_EQ(m.Find(), ReplyMatcher::kCmdError);
}

TEST(ReplyMatcher, BlockLargerThanTheBufferKeepsItsTail) {
  ReplyMatcher m;
  Append(m, "old text");
  std::string big(5000, 'q');
  big.replace(0, 10, "\r\nCMD OK\r\n");  // at the head: dropped with the overflow
  const std::string tail = "\r\nCMD ERROR\r\n";
  big.replace(big.size() - tail.size(), tail.size(), tail);
  big[1000] = '\0';  // beyond the kept part
  big[4980] = '\0';  // inside the kept part: must become a blank
  Append(m, big);
  ASSERT_EQ(m.Text().size(), 4094u);
  std::string expected = big.substr(big.size() - 4094);
  for (char& c : expected)
    if (c == '\0') c = ' ';
  EXPECT_EQ(m.Text(), expected);
  EXPECT_EQ(m.Find(), ReplyMatcher::kCmdError);
  EXPECT_EQ(m.Text().find("CMD OK"), std::string_view::npos);
}

}  // namespace

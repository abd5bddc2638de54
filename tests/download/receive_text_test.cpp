#include <gtest/gtest.h>

#include <string>

#include "download/boot_receive_text.h"

TEST(BootReceiveText, AccumulatesAndSeesPastNulBytes) {
  BootReceiveText t;
  const char part1[] = "\r\nO";
  t.Append(part1, 3);
  EXPECT_FALSE(t.Contains("\r\nOK\r\n"));
  const char part2[] = {'K', '\r', '\n'};
  t.Append(part2, 3);
  EXPECT_TRUE(t.Contains("\r\nOK\r\n"));
  const char withNul[] = {'\0', 'C', 'M', 'D', '\0'};
  t.Append(withNul, 5);
  EXPECT_EQ(t.View(), std::string("\r\nOK\r\n CMD "));
  EXPECT_EQ(t.View().data()[t.Size()], '\0');
  t.Clear();
  EXPECT_EQ(t.Size(), 0u);
  EXPECT_FALSE(t.Contains("OK"));
}

TEST(BootReceiveText, OverflowKeepsTheLastHundredBytesThenTheBlock) {
  BootReceiveText t;
  std::string first(4000, 'a');
  first.replace(3900, 100, std::string(100, 'k'));  // the 100 bytes that must remain
  t.Append(first.data(), first.size());
  const std::string block(200, 'b');  // 4000 + 200 > 4096
  t.Append(block.data(), block.size());
  EXPECT_EQ(t.View(), std::string(100, 'k') + block);

  // Exactly full is not an overflow.
  BootReceiveText u;
  const std::string full(4096, 'x');
  u.Append(full.data(), full.size());
  EXPECT_EQ(u.Size(), 4096u);
}

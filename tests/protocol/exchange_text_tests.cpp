// The receive text: accumulation, the overflow rule, NUL bytes, taking it, and
// the receive thread appending while the worker takes.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "fake_port.h"
#include "protocol/exchange.h"

namespace {

std::string Pattern(size_t length, char first) {
  std::string s(length, ' ');
  for (size_t i = 0; i < length; ++i) s[i] = static_cast<char>(first + i % 23);
  return s;
}

class ExchangeText : public ::testing::Test {
 protected:
  void Append(const std::string& block) {
    exchange.AppendReceived(block.data(), static_cast<int>(block.size()));
  }
  FakePort port;
  CommandExchange exchange{port};
};

TEST_F(ExchangeText, AccumulatesUpToTheLimitThenKeepsTheLast255Characters) {
  const std::string first = Pattern(40000, 'a');
  Append(first);
  Append(Pattern(960, 'A'));  // exactly 40960: still fits
  EXPECT_EQ(exchange.PeekReceivedText(), first + Pattern(960, 'A'));

  const std::string block = "\r\nOK\r\n";
  Append(block);
  const std::string before = first + Pattern(960, 'A');
  EXPECT_EQ(exchange.PeekReceivedText(), before.substr(before.size() - kOverflowKeep) + block);
}

TEST_F(ExchangeText, BlocksTooBigForTheKeptTailNeverOverrunTheText) {
  const std::string old = Pattern(40000, 'a');
  Append(old);
  // 255 kept + 40959 would pass the limit: the newest 40960 bytes stay.
  const std::string big = Pattern(serial::kMaxReadBytes, 'A');
  Append(big);
  std::string text = exchange.PeekReceivedText();
  ASSERT_EQ(text.size(), static_cast<size_t>(kReceiveTextMax));
  EXPECT_EQ(text, old.substr(old.size() - 1) + big);

  // A block larger than the whole text: its last 40960 bytes.
  const std::string huge = Pattern(100000, '0');
  Append(huge);
  text = exchange.PeekReceivedText();
  EXPECT_EQ(text, huge.substr(huge.size() - kReceiveTextMax));
}

TEST_F(ExchangeText, RandomBlocksAlwaysKeepTheNewestBytesWithinTheLimit) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> size(1, 60000);
  std::string stream;
  for (int i = 0; i < 60; ++i) {
    const std::string block = Pattern(static_cast<size_t>(size(rng)), static_cast<char>('a' + i % 20));
    const std::string before = exchange.PeekReceivedText();
    Append(block);
    const std::string text = exchange.PeekReceivedText();
    ASSERT_LE(text.size(), static_cast<size_t>(kReceiveTextMax));
    const size_t tail = std::min(text.size(), block.size());
    ASSERT_EQ(text.substr(text.size() - tail), block.substr(block.size() - tail));
    if (before.size() + block.size() <= static_cast<size_t>(kReceiveTextMax)) {
      ASSERT_EQ(text, before + block);
    }
  }
}

TEST_F(ExchangeText, NulBytesBecomeBlanksAndTakingEmptiesTheText) {
  Append(std::string("a\0b\0\0c", 6));
  EXPECT_EQ(exchange.PeekReceivedText(), "a b  c");
  EXPECT_EQ(exchange.TakeReceivedText(), "a b  c");
  EXPECT_EQ(exchange.TakeReceivedText(), "");
  Append("");
  exchange.AppendReceived(nullptr, 5);
  exchange.MatchReply("x", 0);
  EXPECT_EQ(exchange.PeekReceivedText(), "");
}

TEST_F(ExchangeText, ReceiveThreadAppendsWhileTheWorkerTakes) {
  std::atomic<bool> done{false};
  const std::string block = Pattern(997, 'a');
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
    if (!text.empty() &&
        (text.size() < block.size() || text.compare(text.size() - block.size(), block.size(), block) != 0)) {
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

// The log, the channel captions and the parameter-to-page map.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "base/cp936.h"
#include "config/cfg_log.h"
#include "config/cfg_page_map.h"
#include "config/channel_captions.h"
#include "protocol/param_table.h"

namespace {

TEST(CfgLogTest, EntriesAreTimeStampedAfterTheBanner) {
  CfgLog log;
  EXPECT_EQ(log.Text(), GBK("******配置工具软件版本：V1.2.5******\r\n"));
  log.Append("AT+VER\r\n");
  log.Append("");  // nothing
  const std::string text = log.Text();
  const std::string rest = text.substr(CfgLog::Banner().size());
  ASSERT_EQ(rest.size(), std::string("<Time:2024-01-05 08:03:07>:AT+VER\r\n").size());
  EXPECT_EQ(rest.compare(0, 6, "<Time:"), 0);
  EXPECT_EQ(rest.substr(25), ">:AT+VER\r\n");
}

TEST(CfgLogTest, RestartsFromTheBannerAtTheLimit) {
  CfgLog log;
  const std::string chunk(64 * 1024, 'x');
  size_t before = 0;
  while (log.Text().size() < kCfgLogLimit) {
    before = log.Text().size();
    log.Append(chunk);
  }
  EXPECT_GT(log.Text().size(), kCfgLogLimit - 1);  // the entry that crossed it is kept
  EXPECT_LT(before, kCfgLogLimit);
  log.Append("next\r\n");  // starts again before this entry
  const std::string text = log.Text();
  EXPECT_EQ(text.compare(0, CfgLog::Banner().size(), CfgLog::Banner()), 0);
  EXPECT_LT(text.size(), 200u);
  EXPECT_NE(text.find("next\r\n"), std::string::npos);
  // An empty entry at the limit restarts too.
  while (log.Text().size() < kCfgLogLimit) log.Append(chunk);
  log.Append("");
  EXPECT_EQ(log.Text(), CfgLog::Banner());
}

TEST(CfgLogTest, DeltasFollowAppendsAndRestarts) {
  CfgLog log;
  auto d = log.Since(0, 0);
  EXPECT_FALSE(d.full);
  EXPECT_EQ(d.text, CfgLog::Banner());
  log.Append("a\r\n");
  auto d2 = log.Since(d.generation, d.end);
  EXPECT_FALSE(d2.full);
  EXPECT_EQ(d2.text.substr(d2.text.size() - 5), ">:a\r\n");
  EXPECT_EQ(log.Since(d2.generation, d2.end).text, "");
  log.Reset();
  auto d3 = log.Since(d2.generation, d2.end);
  EXPECT_TRUE(d3.full);
  EXPECT_EQ(d3.text, CfgLog::Banner());
}

TEST(CfgLogTest, ConcurrentAppendsKeepEveryEntryWhole) {
  CfgLog log;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&log, t] {
      for (int i = 0; i < 200; ++i) log.Append("thread" + std::to_string(t) + "\r\n");
    });
  }
  for (auto& th : threads) th.join();
  const std::string text = log.Text();
  size_t count = 0;
  for (size_t p = text.find(">:thread"); p != std::string::npos; p = text.find(">:thread", p + 1)) {
    ++count;
    EXPECT_EQ(text.substr(p + 9, 2), "\r\n");  // nothing interleaved inside an entry
  }
  EXPECT_EQ(count, 800u);
}

// A caption written meanwhile survives ClearIf; the workspace's tree listener is called
// on every set, and a workspace going away takes only its own listener with it.
TEST(ChannelCaptionsTest, ClearIfKeepsACaptionWrittenMeanwhileAndListenersBelongToTheirOwner) {
  ChannelCaptions& c = ChannelCaptions::Instance();
  int a = 0, b = 0;
  const int ownerA = 0, ownerB = 0;
  c.ClearAll();
  c.Set(30, "ignored");
  c.Set(-1, "ignored");
  EXPECT_EQ(c.Get(30), "");
  c.SetListener(&ownerA, [&] { ++a; });
  c.Set(6, "A");
  c.SetListener(&ownerB, [&] { ++b; });
  c.RemoveListener(&ownerA);  // an older workspace closing
  c.Set(6, "B");
  c.RemoveListener(&ownerB);
  c.ClearIf(6, "A");  // the workspace showed "A", the page wrote "B" since
  EXPECT_EQ(c.Get(6), "B");
  c.ClearIf(6, "B");
  EXPECT_EQ(c.Get(6), "");
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 1);
}

// The station pages' parameters: PageCodes.EachParameterOfAStationPageHasExactlyThatPage.
TEST(PageMapTest, EveryShownParameterHasItsPage) {
  for (int id : {30, 31, 42, 107, 145, 161}) EXPECT_EQ(PageOfParam(id), CfgPageId::Channel) << id;
  for (int id = 148; id <= 154; ++id) EXPECT_EQ(PageOfParam(id), CfgPageId::Camera) << id;
  for (int id : {-1, 164, 165, 180}) EXPECT_EQ(PageOfParam(id), CfgPageId::Count) << id;
  // Every parameter with instances is shown somewhere.
  for (int id = 0; id <= 163; ++id) {
    const ParamEntry* e = FindParam(id);
    if (e && e->count > 0) {
      EXPECT_NE(PageOfParam(id), CfgPageId::Count) << id;
    }
  }
}

}  // namespace

// The log, the channel captions and the parameter-to-page map (the log's banner, time
// stamps and window deltas: WorkspaceTest.LogFromAnyThreadEndsInViewAndClears).
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "base/cp936.h"
#include "config/cfg_log.h"
#include "config/cfg_page_map.h"
#include "config/channel_captions.h"
#include "config/field_tables.h"
#include "protocol/param_table.h"

namespace {

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

// The field tables: every parameter on exactly one row, under its own command word;
// a table that lists an id twice, leaves one out or names another command is refused.
TEST(FieldTablesTest, EveryParameterIsListedOnceUnderItsCommandWord) {
  EXPECT_EQ(TableProblems(PageTables()), std::vector<std::string>{});

  std::vector<PageTable> tables(PageTables().begin(), PageTables().end());
  const FieldRow again[] = {{106, "AT+COMRLTNTYPE", FieldControl::Edit, nullptr, nullptr, nullptr}};
  tables.push_back({CfgPageId::Sms, channel_codes::Family::None, again});
  EXPECT_EQ(TableProblems(tables), std::vector<std::string>{"parameter 106 is listed 2 times"});

  tables.assign(PageTables().begin(), PageTables().end());
  std::erase_if(tables, [](const PageTable& t) { return t.table.data() == field_tables::kSms.data(); });
  EXPECT_EQ(TableProblems(tables), (std::vector<std::string>{"parameter 146 is listed 0 times",
                                                             "parameter 147 is listed 0 times"}));

  tables.assign(PageTables().begin(), PageTables().end());
  std::vector<FieldRow> terminal(field_tables::kTerminal.begin(), field_tables::kTerminal.end());
  terminal[0].command = "AT+PROTTXT";                 // parameter 7's word on parameter 0's row
  terminal[1].last = kLastParamId + 1;                // a range beyond the parameters
  for (PageTable& t : tables)
    if (t.table.data() == field_tables::kTerminal.data()) t.table = terminal;
  const std::vector<std::string> problems = TableProblems(tables);
  EXPECT_EQ(std::count(problems.begin(), problems.end(), "row 0: command word is not AT+PROTWRK"), 1);
  EXPECT_EQ(std::count(problems.begin(), problems.end(), "row 1: not a parameter range"), 1);
}

// Routing follows the tables: the page and the channel source family of an id.
TEST(FieldTablesTest, PageAndSourceFamilyOfAnIdAreThoseOfTheTableThatListsIt) {
  for (int id = 0; id <= kLastParamId; ++id) {
    const PageTable* owner = OwnerOf(PageTables(), id);
    ASSERT_NE(owner, nullptr) << id;
    EXPECT_EQ(PageOfParam(id), owner->page) << id;
    EXPECT_EQ(SourceFamilyOf(id), owner->family) << id;
  }
  using channel_codes::Family;
  const std::pair<int, Family> families[] = {{30, Family::None}, {32, Family::Di},     {56, Family::Pi},
                                             {80, Family::Adc},  {82, Family::Serial}, {106, Family::Serial},
                                             {161, Family::Serial}, {126, Family::Sdi}, {145, Family::Gray}};
  for (const auto& [id, family] : families) EXPECT_EQ(SourceFamilyOf(id), family) << id;
  EXPECT_EQ(OwnerOf(PageTables(), kLastParamId + 1), nullptr);
  EXPECT_EQ(SourceFamilyOf(-1), Family::None);
}

}  // namespace

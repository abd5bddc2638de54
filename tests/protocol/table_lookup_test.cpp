// Lookup by id, value texts with the display translation and the 199-character
// cut, listing labels, and values shared between threads.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "protocol/param_table.h"

namespace {

class TableValues : public ::testing::Test {
 protected:
  void SetUp() override { ResetParamValues(); }
  void TearDown() override { ResetParamValues(); }

  static std::string Raw(int id, int index) { return GetRawValue(*FindParam(id), index); }

  // True when no value of any entry holds text.
  static bool AllValuesEmpty() {
    const ParamEntry* entries = ParamTableEntries();
    for (int pos = 0; pos < kParamEntryCount; ++pos) {
      for (int i = 0; i < kMaxInstances; ++i) {
        if (!GetRawValue(entries[pos], i).empty()) return false;
      }
    }
    return true;
  }
};

TEST(TableLookup, FindsTheEntryByIdNotByPosition) {
  const ParamEntry* entries = ParamTableEntries();
  struct Case { int id; int position; const char* command; };
  const Case cases[] = {
      {0, 0, "AT+PROTWRK"},        {42, 44, "AT+CNTRIFUP"},   {43, 42, "AT+CNTRUPTIME"},
      {44, 43, "AT+CNTRSHAKEMS"},  {60, 61, "AT+ADCIFUP"},    {61, 60, "AT+ADCUPTIME"},
      {111, 112, "AT+SDIIFUP"},    {112, 111, "AT+SDIUPTIME"}, {130, 131, "AT+GRAYIFUP"},
      {131, 130, "AT+GRAYUPTIME"}, {163, 163, "AT+YCADDRTYPE"}, {165, 164, "AT+SHOW"},
      {177, 176, "---"},           {180, 179, "AT+SETINITDATA"},
  };
  for (const Case& c : cases) {
    const ParamEntry* e = FindParam(c.id);
    ASSERT_NE(e, nullptr) << c.id;
    EXPECT_EQ(e, &entries[c.position]) << c.id;
    EXPECT_EQ(ParamPosition(e), c.position);
    EXPECT_STREQ(e->command, c.command);
  }
}

TEST(TableLookup, UnknownIdsFindNothing) {
  EXPECT_EQ(FindParam(164), nullptr);
  EXPECT_EQ(FindParam(181), nullptr);
  EXPECT_EQ(FindParam(-1), nullptr);
  EXPECT_EQ(ParamPosition(nullptr), -1);
  const ParamEntry outside{};
  EXPECT_EQ(ParamPosition(&outside), -1);
}

TEST_F(TableValues, DebugParityIsShownInItsShortForm) {
  SetRawValue(*FindParam(3), 0, "8-EVN-1");
  EXPECT_EQ(GetParamText(3, 0), "8E1");
  SetRawValue(*FindParam(3), 0, "8-NON-1");
  EXPECT_EQ(GetParamText(3, 0), "8N1");
  // A text that is already the short form is shown as it is.
  SetRawValue(*FindParam(3), 0, "8N1");
  EXPECT_EQ(GetParamText(3, 0), "8N1");
  // Only whole, case-sensitive texts are translated.
  SetRawValue(*FindParam(3), 0, "8-evn-1");
  EXPECT_EQ(GetParamText(3, 0), "8-evn-1");
}

TEST_F(TableValues, DebugParityIsStoredInTheDeviceForm) {
  SetParamText(3, "8O1", 0);
  EXPECT_EQ(Raw(3, 0), "8-ODD-1");
  EXPECT_EQ(GetParamText(3, 0), "8O1");
  SetParamText(3, "8-EVN-1", 0);
  EXPECT_EQ(Raw(3, 0), "8-EVN-1");
}

TEST_F(TableValues, OtherParitiesAreNotTranslated) {
  for (int id : {94, 153, 160}) {
    SetParamText(id, "8O1", 0);
    EXPECT_EQ(Raw(id, 0), "8O1") << id;
    SetRawValue(*FindParam(id), 0, "8-ODD-1");
    EXPECT_EQ(GetParamText(id, 0), "8-ODD-1") << id;
  }
}

TEST_F(TableValues, LongTextsAreCutAt199Characters) {
  const std::string text250(250, 'a');
  SetParamText(23, text250, 0);
  EXPECT_EQ(GetParamText(23, 0), std::string(199, 'a'));

  const std::string exact(199, 'b');
  SetParamText(23, exact, 0);
  EXPECT_EQ(GetParamText(23, 0), exact);
  SetParamText(23, exact + "c", 0);
  EXPECT_EQ(GetParamText(23, 0), exact);

  // The parser's raw path cuts the same way.
  SetRawValue(*FindParam(24), 0, std::string(1000, 'z'));
  EXPECT_EQ(Raw(24, 0).size(), 199u);
}

TEST_F(TableValues, TextEndsAtANulByte) {
  SetParamText(14, std::string("1380\0garbage", 12), 0);
  EXPECT_EQ(Raw(14, 0), "1380");
}

TEST_F(TableValues, UnknownIdsAndIndexesChangeNothing) {
  EXPECT_EQ(GetParamText(164, 0), std::nullopt);
  EXPECT_EQ(GetParamText(181, 0), std::nullopt);
  SetParamText(181, "x", 0);
  SetParamText(164, "x", 0);
  // Indexes outside the 30 instance slots are refused instead of overrunning.
  SetParamText(30, "x", -1);
  SetParamText(30, "x", kMaxInstances);
  SetRawValue(*FindParam(30), 99, "x");
  EXPECT_TRUE(AllValuesEmpty());
  EXPECT_EQ(GetParamText(30, -1), std::nullopt);
  EXPECT_EQ(GetParamText(30, kMaxInstances), std::nullopt);
  EXPECT_EQ(GetRawValue(*FindParam(30), kMaxInstances), "");
}

TEST_F(TableValues, InstancesAreIndependentAndCommandArgumentsStay) {
  SetParamText(30, "401", 6);
  SetParamText(30, "201", 29);
  EXPECT_EQ(GetParamText(30, 6), "401");
  EXPECT_EQ(GetParamText(30, 29), "201");
  EXPECT_EQ(GetParamText(30, 5), "");
  EXPECT_EQ(GetParamText(31, 6), "");

  SetParamText(kCmdClock, "2024-01-02 03:04:05", 0);
  EXPECT_EQ(GetParamText(kCmdClock, 0), "2024-01-02 03:04:05");
  EXPECT_EQ(GetParamText(kCmdShow, 0), "");
}

TEST_F(TableValues, ResetEmptiesEveryValue) {
  SetParamText(0, "1", 0);
  SetParamText(107, "x", 14);
  SetParamText(kCmdSetInitData, "y", 0);
  ResetParamValues();
  EXPECT_TRUE(AllValuesEmpty());
}

TEST(TableLabels, InstanceNumbersFollowTheFamily) {
  EXPECT_EQ(FormatLabel(*FindParam(31), 7), "Channel07 save length:");
  EXPECT_EQ(FormatLabel(*FindParam(30), 1), "Channel01 type:");
  EXPECT_EQ(FormatLabel(*FindParam(30), 9), "Channel09 type:");
  EXPECT_EQ(FormatLabel(*FindParam(30), 10), "Channel10 type:");
  EXPECT_EQ(FormatLabel(*FindParam(30), 30), "Channel30 type:");
  EXPECT_EQ(FormatLabel(*FindParam(81), 9), "Com9 if open:");
  EXPECT_EQ(FormatLabel(*FindParam(157), 9), "camera timer9 minute:");
  EXPECT_EQ(FormatLabel(*FindParam(84), 7), "Com7 save time:");
  EXPECT_EQ(FormatLabel(*FindParam(81), 15), "Com15 if open:");
  EXPECT_EQ(FormatLabel(*FindParam(156), 3), "camera timer3 hour:");
  EXPECT_EQ(FormatLabel(*FindParam(155), 10), "camera timer10 open:");
  EXPECT_EQ(FormatLabel(*FindParam(20), 1), "Server1's Ip:");
  EXPECT_EQ(FormatLabel(*FindParam(22), 2), "Server2's dns ip:");
  EXPECT_EQ(FormatLabel(*FindParam(42), 2), "Counter2 if up:");
  EXPECT_EQ(FormatLabel(*FindParam(32), 4), "In io4 if open:");
  EXPECT_EQ(FormatLabel(*FindParam(148), 1), "camera1 id:");
}

TEST(TableLabels, SingleInstanceLabelsHaveNoNumber) {
  EXPECT_EQ(FormatLabel(*FindParam(18), 1), "Total Servers:");
  EXPECT_EQ(FormatLabel(*FindParam(25), 1), "Modem user pasword:");
  EXPECT_EQ(FormatLabel(*FindParam(kCmdReadRecords), 1), "Record:");
  EXPECT_EQ(FormatLabel(*FindParam(kCmdShow), 1), "");
}

// Values are written by the operation worker and read by the UI thread: a reader
// always sees one whole text, never a mixture. (The thread sanitizer run checks the
// locking itself.)
TEST_F(TableValues, ConcurrentWritersAndReadersSeeWholeTexts) {
  const std::string a(150, 'a');
  const std::string b(199, 'b');
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) {
      SetParamText(23, (i % 2) ? a : b, 0);
      SetRawValue(*FindParam(30), i % 30, (i % 2) ? a : b);
    }
    stop = true;
  });
  int torn = 0;
  while (!stop) {
    const std::string v = GetParamText(23, 0).value_or("?");
    if (!v.empty() && v != a && v != b) ++torn;
    const std::string w = GetRawValue(*FindParam(30), 7);
    if (!w.empty() && w != a && w != b) ++torn;
  }
  writer.join();
  EXPECT_EQ(torn, 0);
}

}  // namespace

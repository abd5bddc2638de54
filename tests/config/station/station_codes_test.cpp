// Value codes of the station pages' lists, without widgets.
#include "config/station_codes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace codes = station_codes;

namespace {
std::string ItemText(const codes::CodedList& list, std::string_view value) {
  const int item = codes::ItemOfValue(list, value);
  return item < 0 ? std::string("<none>") : std::string(list.items[item]);
}
}  // namespace

TEST(StationCodes, EveryCodedValueRoundTripsThroughItsItem) {
  struct Case {
    const codes::CodedList* list;
    std::vector<std::string> values;
  };
  const std::vector<Case> cases = {
      {&codes::kTransferMode, {"0", "1", "2", "3", "4", "5", "6", "7"}},
      {&codes::kProtocol, {"0", "1", "2", "5"}},
      {&codes::kUploadByLose, {"0", "1"}},
      {&codes::kSmsSet, {"0", "1"}},
      {&codes::kTransComType, {"0", "1", "2", "3", "4"}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(c.list->items.size(), c.values.size());
    for (size_t i = 0; i < c.values.size(); ++i) {
      const int item = codes::ItemOfValue(*c.list, c.values[i]);
      EXPECT_EQ(item, static_cast<int>(i)) << c.values[i];
      EXPECT_EQ(codes::ValueOfItem(*c.list, item), c.values[i]);
    }
  }
}

TEST(StationCodes, ItemTextsAreTheListsTheDeviceValuesStandFor) {
  EXPECT_EQ(ItemText(codes::kTransferMode, "2"), "北斗卫星");
  EXPECT_EQ(ItemText(codes::kTransferMode, "6"), "串口");
  EXPECT_EQ(ItemText(codes::kTransferMode, "7"), "UDP");
  EXPECT_EQ(ItemText(codes::kProtocol, "1"), "水文ASCII");
  EXPECT_EQ(ItemText(codes::kProtocol, "2"), "水资源16");
  EXPECT_EQ(ItemText(codes::kProtocol, "5"), "水资源21");
  EXPECT_EQ(ItemText(codes::kUploadByLose, "1"), "是");
  EXPECT_EQ(ItemText(codes::kSmsSet, "1"), "开启");
  EXPECT_EQ(ItemText(codes::kTransComType, "4"), "RS485-1");
  EXPECT_EQ(ItemText(codes::kTransComType, "1"), "RS232-0");
}

TEST(StationCodes, UnknownValuesShowTheFallbackItem) {
  // Transfer mode: any number outside the table, or no number at all, shows TCP.
  for (const char* v : {"9", "8", "-1", "", "abc", "100"})
    EXPECT_EQ(ItemText(codes::kTransferMode, v), "TCP") << v;
  // ... and is written back as TCP's value.
  EXPECT_EQ(codes::ValueOfItem(codes::kTransferMode, codes::ItemOfValue(codes::kTransferMode, "9")), "1");
  // The number is read the way atoi reads it.
  EXPECT_EQ(ItemText(codes::kTransferMode, " 3"), "海事卫星");
  EXPECT_EQ(ItemText(codes::kTransferMode, "07"), "UDP");
  EXPECT_EQ(ItemText(codes::kTransferMode, "0x"), "SMS");

  // The other lists compare whole texts.
  for (const char* v : {"3", "4", "", "05", "x"}) EXPECT_EQ(ItemText(codes::kProtocol, v), "水文HEX") << v;
  for (const char* v : {"0", "2", "", "01"}) EXPECT_EQ(ItemText(codes::kUploadByLose, v), "否") << v;
  for (const char* v : {"0", "2", "", "on"}) EXPECT_EQ(ItemText(codes::kSmsSet, v), "关闭") << v;
  for (const char* v : {"0", "9", "", "5"}) EXPECT_EQ(ItemText(codes::kTransComType, v), "不使用") << v;
}

TEST(StationCodes, NoItemReadsAsAnEmptyValue) {
  for (const codes::CodedList* l : {&codes::kTransferMode, &codes::kProtocol, &codes::kUploadByLose,
                                    &codes::kSmsSet, &codes::kTransComType}) {
    EXPECT_EQ(codes::ValueOfItem(*l, -1), "");
    EXPECT_EQ(codes::ValueOfItem(*l, static_cast<int>(l->items.size())), "");
  }
}

TEST(StationCodes, FindItemIsExactAndCaseSensitive) {
  EXPECT_EQ(codes::FindItem(codes::kTransferMode.items, "TCP"), 1);
  EXPECT_EQ(codes::FindItem(codes::kTransferMode.items, "tcp"), -1);
  EXPECT_EQ(codes::FindItem(codes::kTransferMode.items, "TCP "), -1);
  EXPECT_EQ(codes::FindItem(codes::kTransferMode.items, ""), -1);
  EXPECT_EQ(codes::FindItem(codes::kWeekdayItems, "星期四"), 4);
}

TEST(StationCodes, NumberedListsSelectByNumberAndWriteNoSelectionAsUnsigned) {
  EXPECT_EQ(codes::ItemOfNumber("4", 5), 4);
  EXPECT_EQ(codes::ItemOfNumber("0", 5), 0);
  EXPECT_EQ(codes::ItemOfNumber("5", 5), -1);
  EXPECT_EQ(codes::ItemOfNumber("-1", 5), -1);
  EXPECT_EQ(codes::ItemOfNumber("4294967295", 5), -1);
  // atoi reading: no digits is 0, trailing text is ignored.
  EXPECT_EQ(codes::ItemOfNumber("", 5), 0);
  EXPECT_EQ(codes::ItemOfNumber("2 min", 5), 2);
  EXPECT_EQ(codes::NumberOfItem(3), "3");
  EXPECT_EQ(codes::NumberOfItem(-1), "4294967295");
}

TEST(StationCodes, CameraTimerSwitchIsOffOnlyForZero) {
  EXPECT_FALSE(codes::SwitchOn("0"));
  for (const char* v : {"1", "2", "", "00", " 0"}) EXPECT_TRUE(codes::SwitchOn(v)) << v;
  EXPECT_EQ(codes::SwitchValue(true), "1");
  EXPECT_EQ(codes::SwitchValue(false), "0");
}

TEST(StationCodes, ServersMapToCentresAndCountIsBoundedToFourCentres) {
  EXPECT_EQ(codes::CenterOfServer(0), 0);
  EXPECT_FALSE(codes::IsBackupServer(3));
  EXPECT_EQ(codes::CenterOfServer(5), 1);  // the sixth server: backup of centre 2
  EXPECT_TRUE(codes::IsBackupServer(5));
  EXPECT_EQ(codes::CenterOfServer(7), 3);
  EXPECT_EQ(codes::OpenCentreCount("2"), 2);
  EXPECT_EQ(codes::OpenCentreCount("4"), 4);
  EXPECT_EQ(codes::OpenCentreCount("7"), 4);
  EXPECT_EQ(codes::OpenCentreCount("-3"), 0);
  EXPECT_EQ(codes::OpenCentreCount(""), 0);
}

TEST(StationCodes, ListContents) {
  EXPECT_EQ(codes::kWorkModeItems.size(), 5u);
  EXPECT_STREQ(codes::kWorkModeItems[4], "无需应答");
  EXPECT_EQ(codes::kStationTypeItems.size(), 13u);
  EXPECT_STREQ(codes::kStationTypeItems[12], "其他");
  EXPECT_EQ(codes::kTransSpeedItems.size(), 12u);
  EXPECT_STREQ(codes::kTransSpeedItems[11], "115200");
  EXPECT_EQ(codes::kTransParityItems.size(), 10u);
  EXPECT_STREQ(codes::kTransParityItems[9], "7O2");
  EXPECT_EQ(codes::kWeekdayItems.size(), 7u);
  EXPECT_STREQ(codes::kWeekdayItems[0], "星期天");
  EXPECT_EQ(codes::kServerCountItems.size(), 5u);
}

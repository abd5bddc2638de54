// The channel kinds and the encodings of the channel, sensor and alarm settings, as the
// pages, the command line and the routing share them.
#include <gtest/gtest.h>

#include <algorithm>

#include "config/channel_alarm_codes.h"
#include "config/channel_codes.h"
#include "config/channel_sensor_codes.h"

namespace {
using namespace channel_codes;

// A kind's caption, list position and source; a caption's source. Code -1: the caption
// alone (families without sources, numbers beyond the count).
TEST(ChannelCodesTest, KindsCaptionsPositionsAndSources) {
  const struct {
    int code;
    const char* caption;
    int position;
    Family family;
    int n;
  } cases[] = {
      {0, "无", 0, Family::None, 0},        {401, "串口00", 1, Family::Serial, 0}, {404, "串口03", 4, Family::Serial, 3},
      {415, "串口14", 15, Family::Serial, 14}, {416, "无", 0, Family::None, 0},   {400, "无", 0, Family::None, 0},
      {201, "ADC0", 16, Family::Adc, 0},    {202, "ADC1", 17, Family::Adc, 1},    {204, "ADC3", 19, Family::Adc, 3},
      {205, "无", 0, Family::None, 0},      {101, "DI0", 20, Family::Di, 0},      {103, "DI2", 22, Family::Di, 2},
      {104, "DI3", 23, Family::Di, 3},      {105, "无", 0, Family::None, 0},      {301, "PI0", 24, Family::Pi, 0},
      {302, "PI1", 25, Family::Pi, 1},      {303, "无", 0, Family::None, 0},      {501, "无", 0, Family::None, 0},
      {601, "无", 0, Family::None, 0},      {999, "无", 0, Family::None, 0},      {-1, "SDI0", 0, Family::Sdi, 0},
      {-1, "GRAY3", 0, Family::Gray, 3},   {-1, "PI7", 0, Family::Pi, 7},        {-1, "串口3", 0, Family::None, 0},
      {-1, "ADC12", 0, Family::None, 0},   {-1, "DIx", 0, Family::None, 0},      {-1, "", 0, Family::None, 0}};
  ASSERT_EQ(KindList().size(), 26u);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.caption) + " " + std::to_string(c.code));
    const Source byCaption = SourceOfCaption(c.caption);
    EXPECT_TRUE(byCaption.family == c.family && byCaption.n == c.n);
    if (c.code < 0) continue;
    const KindCaptionResult r = KindCaption(c.code);
    EXPECT_EQ(r.caption, c.caption);
    EXPECT_EQ(r.position, c.position);
    EXPECT_EQ(KindList()[static_cast<size_t>(c.position)], c.caption);  // the list is built from the captions
    const Source byKind = SourceOfKind(c.code);
    EXPECT_TRUE(byKind.family == c.family && byKind.n == c.n);
    EXPECT_EQ(KindBase(c.family) + c.n, c.family == Family::None ? 0 : c.code);
  }
  EXPECT_EQ((std::vector<int>{SourceCount(Family::Serial), SourceCount(Family::Adc), SourceCount(Family::Di),
                              SourceCount(Family::Pi), SourceCount(Family::Sdi), SourceCount(Family::Gray)}),
            (std::vector<int>{15, 4, 4, 2, 0, 0}));
}

// A coded field: the item a device value shows, and what that item, or a typed text, saves.
struct CodeCase {
  const char* value;  // device value loaded (nullptr: only a typed text is saved)
  const char* shown;  // the item it shows ("" none)
  const char* typed;  // the list text saved (nullptr: the shown item)
  std::optional<std::string> saved;
};
constexpr std::nullopt_t kNoValue = std::nullopt;

TEST(ChannelCodesTest, DeviceValueShowsItsItemAndTheItemOrATypedTextSavesItsCode) {
  using namespace sensor_codes;
  using namespace alarm_codes;
  const std::vector<std::pair<const FieldCode*, std::vector<CodeCase>>> groups = {
      {&kOnOff,  // only 1 is on
       {{"1", "开启", nullptr, "1"}, {"2", "关闭", nullptr, "0"}, {"", "关闭", nullptr, "0"}, {nullptr, "", "开", kNoValue}}},
      {&kCountMode,  // 1-3, anything else no counting
       {{"3", "双边沿计数", nullptr, "3"}, {"1", "上升沿计数", nullptr, "1"}, {"7", "不计数", nullptr, "0"},
        {"-1", "不计数", nullptr, "0"}, {nullptr, "", "上升沿", kNoValue}}},
      {&kInputType,  // 1 voltage, anything else current
       {{"1", "电压", nullptr, "1"}, {"0", "电流", nullptr, "0"}, {"5", "电流", nullptr, "0"}, {nullptr, "", "", kNoValue}}},
      {&kInterface,
       {{"3", "RS485-0", nullptr, "3"}, {"9", "不使用", nullptr, "0"}, {"", "不使用", nullptr, "0"},
        {"03", "RS485-0", nullptr, "3"}, {nullptr, "", "rs485-0", kNoValue}}},
      {&kValueLayout,
       {{"12", "Float ABCD", nullptr, "12"}, {"16", "", nullptr, kNoValue}, {"abc", "Unsigned 16bit AB", nullptr, "0"}}},
      {&kSensorProtocol, {{"1", "OTT", nullptr, "1"}, {"2", "", nullptr, kNoValue}}},
      {&kLinkageTarget,
       {{"102", "DO1", nullptr, "102"}, {"201", "K0", nullptr, "201"}, {"103", "无关联", nullptr, "0"},
        {nullptr, "", "DOx", "101"}, {nullptr, "", "D1", kNoValue}, {nullptr, "", "DO2147483647", "2147483748"}}},
      {&kLinkageState, {{"1", "DO高/K闭合", nullptr, "1"}, {"", "DO低/K断开", nullptr, "0"}, {"5", "无关联", nullptr, "2"}}},
      {&kTrigger, {{"4", "下降沿", nullptr, "4"}, {"6", "", nullptr, kNoValue}}},
      {&kInputSwitch, {{"", "关闭", nullptr, "0"}, {"2", "", nullptr, kNoValue}}},
  };
  for (const auto& [code, cases] : groups) {
    const int count = static_cast<int>(code->items.size());
    for (const CodeCase& c : cases) {
      SCOPED_TRACE(std::string(code->items[0]) + " list: " + (c.value ? c.value : c.typed));
      if (c.value) {  // shown as CfgField shows it
        const int item = code->itemOf(c.value, count);
        EXPECT_EQ(item >= 0 && item < count ? code->items[item] : "", std::string(c.shown));
      }
      const std::string text = c.typed ? c.typed : c.shown;
      int item = -1;
      for (int i = 0; i < count; ++i)
        if (text == code->items[i]) item = i;
      EXPECT_EQ(code->valueOf(text, item), c.saved);
    }
  }
}

TEST(ChannelCodesTest, ElementCataloguesFollowTheProtocol) {
  auto has = [](FieldItems list, const char* name) {
    return std::any_of(list.begin(), list.end(), [name](const char* s) { return std::string(s) == name; });
  };
  const struct {
    int kind;
    size_t size;
    const char* present;
    const char* absent;
  } cases[] = {{1, 78, "水质PH值", "水位5"}, {2, 82, "SLTCOD", "水位5"}, {0, 50, "水位5", "SLTCOD"},
               {3, 50, "AA相电流", "水质PH值"}, {-1, 50, "水位8", "电量1"}};
  for (const auto& c : cases) {
    const FieldItems list = ElementCatalogue(c.kind);
    EXPECT_EQ(list.size(), c.size) << c.kind;
    EXPECT_STREQ(list.front(), "雨量") << c.kind;
    EXPECT_TRUE(has(list, c.present)) << c.kind;
    EXPECT_FALSE(has(list, c.absent)) << c.kind;
  }
}

}  // namespace

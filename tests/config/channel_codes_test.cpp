// The channel kinds and the channel property encodings, as the pages, the command line
// and the routing share them.
#include <gtest/gtest.h>

#include <algorithm>

#include "config/channel_codes.h"

namespace {
using namespace channel_codes;

TEST(ChannelCodesTest, KindCaptionsAndListPositions) {
  struct Case {
    int code;
    const char* caption;
    int position;
  };
  const Case cases[] = {
      {0, "无", 0},     {401, "串口00", 1}, {404, "串口03", 4}, {415, "串口14", 15},
      {416, "无", 0},   {400, "无", 0},     {201, "ADC0", 16},  {204, "ADC3", 19},
      {205, "无", 0},   {101, "DI0", 20},   {104, "DI3", 23},   {105, "无", 0},
      {301, "PI0", 24}, {302, "PI1", 25},   {303, "无", 0},     {501, "无", 0},
      {601, "无", 0},   {999, "无", 0},     {-1, "无", 0},
  };
  for (const Case& c : cases) {
    const KindCaptionResult r = KindCaption(c.code);
    EXPECT_EQ(r.caption, c.caption) << c.code;
    EXPECT_EQ(r.position, c.position) << c.code;
  }
  // The list is built from the same captions: each caption sits at its position.
  const std::vector<std::string>& list = KindList();
  ASSERT_EQ(list.size(), 26u);
  for (const Case& c : cases) {
    if (c.position > 0 || c.code == 0) {
      EXPECT_EQ(list[static_cast<size_t>(c.position)], c.caption);
    }
  }
}

TEST(ChannelCodesTest, SourcesOfKindsAndCaptions) {
  struct Case {
    const char* caption;  // nullptr: the code is checked alone
    int code;
    Family family;
    int n;
  };
  const Case cases[] = {
      {"串口03", 404, Family::Serial, 3}, {"串口14", 415, Family::Serial, 14},
      {"ADC1", 202, Family::Adc, 1},      {"DI2", 103, Family::Di, 2},
      {"PI1", 302, Family::Pi, 1},        {"无", 0, Family::None, 0},
      {nullptr, 416, Family::None, 0},    {nullptr, 501, Family::None, 0},  // no SDI source
      {nullptr, 999, Family::None, 0},
  };
  for (const Case& c : cases) {
    const Source s = SourceOfKind(c.code);
    EXPECT_EQ(s.family, c.family) << c.code;
    EXPECT_EQ(s.n, c.n) << c.code;
    if (!c.caption) continue;
    const Source byCaption = SourceOfCaption(c.caption);
    EXPECT_EQ(byCaption.family, c.family) << c.caption;
    EXPECT_EQ(byCaption.n, c.n) << c.caption;
    EXPECT_EQ(KindBase(c.family) + c.n, c.family == Family::None ? 0 : c.code);
  }
  // Captions of families without sources, or numbers beyond the count, are still read.
  const struct {
    const char* caption;
    Family family;
    int n;
  } more[] = {{"SDI0", Family::Sdi, 0}, {"GRAY3", Family::Gray, 3}, {"PI7", Family::Pi, 7},
              {"串口3", Family::None, 0}, {"ADC12", Family::None, 0}, {"DIx", Family::None, 0},
              {"", Family::None, 0}};
  for (const auto& c : more) {
    EXPECT_EQ(SourceOfCaption(c.caption).family, c.family) << c.caption;
    EXPECT_EQ(SourceOfCaption(c.caption).n, c.n) << c.caption;
  }
  const int counts[] = {SourceCount(Family::Serial), SourceCount(Family::Adc),
                        SourceCount(Family::Di),     SourceCount(Family::Pi),
                        SourceCount(Family::Sdi),    SourceCount(Family::Gray)};
  EXPECT_EQ(std::vector<int>(std::begin(counts), std::end(counts)),
            (std::vector<int>{15, 4, 4, 2, 0, 0}));
}

TEST(ChannelCodesTest, KindCodeIsTheLeadingNumber) {
  const std::pair<const char*, int> cases[] = {
      {"404", 404}, {"0404", 404}, {" 7x", 7}, {"abc", 0}, {"", 0}, {"-3", -3}};
  for (const auto& [text, code] : cases) EXPECT_EQ(KindCode(text), code) << text;
}

// A coded field: the item a device value shows, and the value a control text gives.
struct ShowCase {
  const FieldCode* code;
  const char* value;
  int item;
};
struct TakeCase {
  const FieldCode* code;
  const char* text;
  std::optional<std::string> value;
};

int ItemOfText(const FieldCode& code, const char* text) {
  const auto it = std::find_if(code.items.begin(), code.items.end(),
                               [text](const char* item) { return std::string(item) == text; });
  return it == code.items.end() ? -1 : static_cast<int>(it - code.items.begin());
}

TEST(ChannelCodesTest, CodedFieldsShowAndTakeValues) {
  const ShowCase shows[] = {
      // On/off: only 1 is on.
      {&kOnOff, "1", 1}, {&kOnOff, "0", 0}, {&kOnOff, "2", 0}, {&kOnOff, "", 0},
      // Counting mode: 1-3, anything else no counting.
      {&kCountMode, "3", 3}, {&kCountMode, "1", 1}, {&kCountMode, "7", 0}, {&kCountMode, "-1", 0},
      // Input type: 1 voltage, anything else current.
      {&kInputType, "1", 0}, {&kInputType, "0", 1}, {&kInputType, "5", 1},
  };
  for (const ShowCase& c : shows) {
    EXPECT_EQ(c.code->itemOf(c.value, static_cast<int>(c.code->items.size())), c.item) << c.value;
  }
  const TakeCase takes[] = {
      {&kOnOff, "关闭", "0"},       {&kOnOff, "开启", "1"},       {&kOnOff, "开", std::nullopt},
      {&kCountMode, "不计数", "0"}, {&kCountMode, "双边沿计数", "3"},
      {&kCountMode, "上升沿", std::nullopt},
      {&kInputType, "电压", "1"},   {&kInputType, "电流", "0"},   {&kInputType, "", std::nullopt},
  };
  for (const TakeCase& c : takes) {
    EXPECT_EQ(c.code->valueOf(c.text, ItemOfText(*c.code, c.text)), c.value) << c.text;
  }
}

TEST(ChannelCodesTest, ListPositions) {
  const std::pair<const char*, int> items[] = {{"12", 12}, {"0", 0}, {"16", -1}, {"-1", -1},
                                               {"x", 0},   {"", 0}};
  for (const auto& [value, item] : items) EXPECT_EQ(field_code::PositionItem(value, 16), item) << value;
  EXPECT_EQ(field_code::PositionValue("Float ABCD", 12), "12");
  EXPECT_EQ(field_code::PositionValue("typed", -1), std::nullopt);
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

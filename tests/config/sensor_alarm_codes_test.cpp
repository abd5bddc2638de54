// The encodings of a serial sensor's settings and of the alarm settings, grouped by
// encoding: the item a device value shows, and what that item, or a typed text, saves.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "config/channel_alarm_codes.h"
#include "config/channel_sensor_codes.h"

namespace {

using Value = std::optional<std::string>;
constexpr std::nullopt_t kNoValue = std::nullopt;

struct Case {
  const char* value;  // device value loaded (nullptr: only a typed text is saved)
  const char* shown;  // the item it shows ("" none)
  const char* typed;  // the list text saved (nullptr: the shown item)
  Value saved;
};

// What a list with the code's items shows for value, as CfgField shows it.
std::string Shown(const FieldCode& code, const char* value) {
  const int item = code.itemOf(value, static_cast<int>(code.items.size()));
  return item >= 0 && item < static_cast<int>(code.items.size()) ? code.items[item] : "";
}

Value Saved(const FieldCode& code, const std::string& text) {
  int item = -1;
  for (size_t i = 0; i < code.items.size(); ++i)
    if (text == code.items[i]) item = static_cast<int>(i);
  return code.valueOf(text, item);
}

TEST(SensorAlarmCodes, DeviceValueShowsItsItemAndTheItemOrATypedTextSavesItsCode) {
  using namespace sensor_codes;
  using namespace alarm_codes;
  const std::vector<std::pair<const FieldCode*, std::vector<Case>>> groups = {
      {&kInterface,
       {{"3", "RS485-0", nullptr, "3"}, {"1", "RS232-0", nullptr, "1"}, {"4", "RS485-1", nullptr, "4"},
        {"2", "RS232-1", nullptr, "2"}, {"9", "不使用", nullptr, "0"}, {"", "不使用", nullptr, "0"},
        {"-1", "不使用", nullptr, "0"}, {"03", "RS485-0", nullptr, "3"}, {"x2", "不使用", nullptr, "0"},
        {nullptr, "", "RS422", kNoValue}, {nullptr, "", "rs485-0", kNoValue}}},
      {&kValueLayout,
       {{"12", "Float ABCD", nullptr, "12"}, {"0", "Unsigned 16bit AB", nullptr, "0"},
        {"15", "Float DCBA", nullptr, "15"}, {"7", "Unsigned 32bit DCBA", nullptr, "7"},
        {"16", "", nullptr, kNoValue}, {"-1", "", nullptr, kNoValue}, {"abc", "Unsigned 16bit AB", nullptr, "0"},
        {nullptr, "", "Float", kNoValue}}},
      {&kSensorProtocol,
       {{"1", "OTT", nullptr, "1"}, {"0", "MODBUS RTU", nullptr, "0"}, {"2", "", nullptr, kNoValue},
        {nullptr, "", "MODBUS", kNoValue}}},
      {&kLinkageTarget,
       {{"102", "DO1", nullptr, "102"}, {"101", "DO0", nullptr, "101"}, {"201", "K0", nullptr, "201"},
        {"202", "K1", nullptr, "202"}, {"103", "无关联", nullptr, "0"}, {"0", "无关联", nullptr, "0"},
        {"", "无关联", nullptr, "0"}, {"200", "无关联", nullptr, "0"}, {nullptr, "", "K7", "208"},
        {nullptr, "", "DOx", "101"}, {nullptr, "", "DO5", "106"}, {nullptr, "", "D1", kNoValue},
        {nullptr, "", "", kNoValue}, {nullptr, "", "k1", kNoValue}, {nullptr, "", "DO2147483647", "2147483748"}}},
      {&kLinkageState,
       {{"1", "DO高/K闭合", nullptr, "1"}, {"0", "DO低/K断开", nullptr, "0"}, {"", "DO低/K断开", nullptr, "0"},
        {"5", "无关联", nullptr, "2"}, {"2", "无关联", nullptr, "2"}, {nullptr, "", "高", "2"}}},
      {&kTrigger,
       {{"4", "下降沿", nullptr, "4"}, {"5", "双沿", nullptr, "5"}, {"", "不触发", nullptr, "0"},
        {"6", "", nullptr, kNoValue}}},
      {&kInputSwitch, {{"1", "开启", nullptr, "1"}, {"", "关闭", nullptr, "0"}, {"2", "", nullptr, kNoValue}}},
  };
  for (const auto& [code, cases] : groups) {
    for (const Case& c : cases) {
      const std::string what = std::string(code->items[0]) + " list: " + (c.value ? c.value : c.typed);
      if (c.value) {
        EXPECT_EQ(Shown(*code, c.value), c.shown) << what;
      }
      EXPECT_EQ(Saved(*code, c.typed ? c.typed : c.shown), c.saved) << what;
    }
  }
  // Baud rate and parity are texts: any typed setting is kept as typed.
  for (const FieldCode* text : {&kBaud, &kParity}) EXPECT_TRUE(text->IsText());
}

}  // namespace

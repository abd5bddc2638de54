// The encodings of a serial sensor's settings and of the alarm settings, grouped by
// encoding: the item a device value shows, and what that item, or a typed text, saves.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "config/channel_alarm_codes.h"
#include "config/channel_sensor_codes.h"

namespace {

struct Case {
  const char* value;  // device value loaded (nullptr: only a typed text is saved)
  const char* shown;  // the item it shows ("" none)
  const char* typed;  // the list text saved (nullptr: the shown item)
  std::optional<std::string> saved;
};
constexpr std::nullopt_t kNoValue = std::nullopt;

TEST(SensorAlarmCodes, DeviceValueShowsItsItemAndTheItemOrATypedTextSavesItsCode) {
  using namespace sensor_codes;
  using namespace alarm_codes;
  const std::vector<std::pair<const FieldCode*, std::vector<Case>>> groups = {
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
    for (const Case& c : cases) {
      const std::string what = std::string(code->items[0]) + " list: " + (c.value ? c.value : c.typed);
      if (c.value) {  // shown as CfgField shows it
        const int item = code->itemOf(c.value, count);
        EXPECT_EQ(item >= 0 && item < count ? code->items[item] : "", std::string(c.shown)) << what;
      }
      const std::string text = c.typed ? c.typed : c.shown;
      int item = -1;
      for (int i = 0; i < count; ++i)
        if (text == code->items[i]) item = i;
      EXPECT_EQ(code->valueOf(text, item), c.saved) << what;
    }
  }
}

}  // namespace

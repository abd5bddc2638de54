// The value codes of a serial sensor's settings and of the alarm settings, grouped by
// encoding: the item a device value shows, and what that item, or a typed text, saves.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/channel_alarm_codes.h"
#include "config/channel_sensor_codes.h"

namespace {

namespace sc = station_codes;
using Value = std::optional<std::string>;

std::string TextOf(sc::Items items, int item) {
  return item >= 0 && item < static_cast<int>(items.size()) ? items[item] : "";
}

struct Encoding {
  const char* name;
  std::function<std::string(const std::string&)> show;  // device value → item text ("" none)
  std::function<Value(const std::string&)> save;        // list text → device value
};

struct Case {
  const char* value;  // device value loaded (nullptr: only the typed text is checked)
  const char* shown;  // item text it shows
  const char* typed;  // text saved (nullptr: the shown text)
  Value saved;
};

std::vector<std::pair<Encoding, std::vector<Case>>> Groups() {
  using namespace sensor_codes;
  using namespace alarm_codes;
  const auto positions = [](sc::Items items, bool isSigned) {
    return std::pair{[items](const std::string& v) { return TextOf(items, sc::ItemOfNumber(v, items.size())); },
                     [items, isSigned](const std::string& t) -> Value {
                       const int item = sc::FindItem(items, t);
                       return isSigned ? SignedNumberOfItem(item) : sc::NumberOfItem(item);
                     }};
  };
  const auto [layoutShow, layoutSave] = positions(kValueLayoutItems, true);
  const auto [protocolShow, protocolSave] = positions(kSensorProtocolItems, false);
  const auto [switchShow, switchSave] = positions(kInputSwitchItems, false);
  const auto [triggerShow, triggerSave] = positions(kTriggerItems, false);
  const Encoding interface{
      "interface",
      [](const std::string& v) { return TextOf(kInterface.items, sc::ItemOfValue(kInterface, v)); },
      [](const std::string& t) -> Value {
        const std::string v = sc::ValueOfItem(kInterface, sc::FindItem(kInterface.items, t));
        return v.empty() ? std::nullopt : Value(v);
      }};
  const Encoding target{"linkage target",
                        [](const std::string& v) { return TextOf(kLinkageTargetItems, LinkageTargetItem(v)); },
                        [](const std::string& t) { return RelatedTypeCode(t); }};
  const Encoding state{"linkage state",
                       [](const std::string& v) { return TextOf(kLinkageStateItems, LinkageStateItem(v)); },
                       [](const std::string& t) -> Value { return LinkageStateValue(t); }};
  return {
      {interface,
       {{"3", "RS485-0", nullptr, "3"}, {"1", "RS232-0", nullptr, "1"}, {"4", "RS485-1", nullptr, "4"},
        {"9", "不使用", nullptr, "0"}, {"", "不使用", nullptr, "0"}, {"-1", "不使用", nullptr, "0"},
        {"03", "RS485-0", nullptr, "3"}, {"x2", "不使用", nullptr, "0"},
        {nullptr, "", "RS422", std::nullopt}, {nullptr, "", "rs485-0", std::nullopt}}},
      {{"value layout", layoutShow, layoutSave},
       {{"12", "Float ABCD", nullptr, "12"}, {"0", "Unsigned 16bit AB", nullptr, "0"},
        {"15", "Float DCBA", nullptr, "15"}, {"7", "Unsigned 32bit DCBA", nullptr, "7"},
        {"16", "", nullptr, "-1"}, {"-1", "", nullptr, "-1"}, {"abc", "Unsigned 16bit AB", nullptr, "0"}}},
      {{"sensor protocol", protocolShow, protocolSave},
       {{"1", "OTT", nullptr, "1"}, {"0", "MODBUS RTU", nullptr, "0"}, {"2", "", nullptr, "4294967295"}}},
      {target,
       {{"102", "DO1", nullptr, "102"}, {"101", "DO0", nullptr, "101"}, {"201", "K0", nullptr, "201"},
        {"202", "K1", nullptr, "202"}, {"103", "无关联", nullptr, "0"}, {"0", "无关联", nullptr, "0"},
        {"", "无关联", nullptr, "0"}, {"200", "无关联", nullptr, "0"},
        {nullptr, "", "K7", "208"}, {nullptr, "", "DOx", "101"}, {nullptr, "", "DO5", "106"},
        {nullptr, "", "D1", std::nullopt}, {nullptr, "", "", std::nullopt}, {nullptr, "", "k1", std::nullopt},
        {nullptr, "", "DO2147483647", "2147483748"}}},
      {state,
       {{"1", "DO高/K闭合", nullptr, "1"}, {"0", "DO低/K断开", nullptr, "0"}, {"", "DO低/K断开", nullptr, "0"},
        {"5", "无关联", nullptr, "2"}, {"2", "无关联", nullptr, "2"}, {nullptr, "", "高", "2"}}},
      {{"trigger", triggerShow, triggerSave},
       {{"4", "下降沿", nullptr, "4"}, {"5", "双沿", nullptr, "5"}, {"", "不触发", nullptr, "0"},
        {"6", "", nullptr, "4294967295"}}},
      {{"input switch", switchShow, switchSave},
       {{"1", "开启", nullptr, "1"}, {"", "关闭", nullptr, "0"}, {"2", "", nullptr, "4294967295"}}},
  };
}

TEST(SensorAlarmCodes, DeviceValueShowsItsItemAndTheItemSavesItsCode) {
  for (const auto& [enc, cases] : Groups()) {
    for (const Case& c : cases) {
      const std::string what = std::string(enc.name) + ": " + (c.value ? c.value : c.typed);
      if (c.value) {
        EXPECT_EQ(enc.show(c.value), c.shown) << what;
      }
      EXPECT_EQ(enc.save(c.typed ? c.typed : c.shown), c.saved) << what;
    }
  }
}

}  // namespace

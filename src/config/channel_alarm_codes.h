#pragma once
// Value codes of the alarm settings of every source: the linkage (the digital output
// or relay an alarm switches, and the state it sets) and a digital input's switch and
// trigger condition. Qt-free: items are UTF-8 as the widgets show them, values are
// device texts.
#include <optional>
#include <string>
#include <string_view>

#include "config/station_codes.h"

namespace alarm_codes {

using station_codes::Items;

// Linkage target (parameters …RLTNTYPE): 0 none, 101 + n digital output DOn, 201 + n
// relay Kn. Items "无关联", DO0, DO1, K0, K1.
extern const Items kLinkageTargetItems;
// The item that shows value: atoi 101, 102, 201, 202 → DO0, DO1, K0, K1; else "无关联".
int LinkageTargetItem(std::string_view value);
// The code of a list text (UTF-8): "无关联" "0"; "DO" + rest → atoi(rest) + 101; else
// "K" + rest → atoi(rest) + 201; any other text has no value. The number after DO or
// K is not bounded (a typed "K7" gives "208").
std::optional<std::string> RelatedTypeCode(std::string_view text);

// Linkage state (parameters …RLTNVAL): the position is the value. Items "DO低/K断开"
// (0), "DO高/K闭合" (1), "无关联" (2).
extern const Items kLinkageStateItems;
// atoi 0 → item 0, 1 → item 1, any other value → "无关联".
int LinkageStateItem(std::string_view value);
// "0" and "1" for the two output states; every other text gives "2".
std::string LinkageStateValue(std::string_view text);

// A digital input's switch (parameter 32) and trigger condition (parameter 33) are
// numbered lists: station_codes::ItemOfNumber / NumberOfItem ("4294967295" for none).
extern const Items kInputSwitchItems;  // 关闭, 开启
extern const Items kTriggerItems;      // 不触发 … 双沿

}  // namespace alarm_codes

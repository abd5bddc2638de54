#pragma once
// Encodings of the alarm settings of every source: the linkage (the digital output or
// relay an alarm switches, and the state it sets) and a digital input's switch and
// trigger condition. Qt-free: items are UTF-8 as the widgets show them, values are
// device texts.
#include <optional>
#include <string>
#include <string_view>

#include "config/field_code.h"

namespace alarm_codes {

// Linkage target (parameters …RLTNTYPE): 0 none, 101 + n digital output DOn, 201 + n
// relay Kn. Items "无关联", DO0, DO1, K0, K1; atoi 101, 102, 201, 202 show DO0 … K1,
// any other value "无关联".
extern const FieldCode kLinkageTarget;
// The code of a list text (UTF-8): "无关联" "0"; "DO" + rest → atoi(rest) + 101; else
// "K" + rest → atoi(rest) + 201; any other text has no value. The number after DO or
// K is not bounded (a typed "K7" gives "208").
std::optional<std::string> RelatedTypeCode(std::string_view text);

// Linkage state (parameters …RLTNVAL), position = value: "DO低/K断开" 0, "DO高/K闭合" 1,
// "无关联" 2. atoi 0 and 1 show their item, any other value "无关联"; every text but the
// two output states saves "2".
extern const FieldCode kLinkageState;

// A digital input's switch (parameter 32, "关闭" 0, "开启" 1) and trigger condition
// (parameter 33, "不触发" 0 … "双沿" 5): list positions.
extern const FieldCode kInputSwitch;
extern const FieldCode kTrigger;

}  // namespace alarm_codes

#include "config/channel_alarm_codes.h"

#include <cstdint>

#include "base/cstr.h"

namespace alarm_codes {
namespace {

constexpr const char* kNoLinkage = "无关联";
constexpr const char* kTargets[] = {kNoLinkage, "DO0", "DO1", "K0", "K1"};
constexpr const char* kStates[] = {"DO低/K断开", "DO高/K闭合", kNoLinkage};
constexpr const char* kTriggers[] = {"不触发", "低电平触发", "高电平触发", "上升沿", "下降沿", "双沿"};

constexpr int kOutputBase = 101;  // DOn
constexpr int kRelayBase = 201;   // Kn
constexpr int kOutputs = 2;       // DO0, DO1 and K0, K1

int TargetItem(std::string_view value, int) {
  const int v = cstr::Atoi(value);
  if (v >= kOutputBase && v < kOutputBase + kOutputs) return 1 + (v - kOutputBase);
  if (v >= kRelayBase && v < kRelayBase + kOutputs) return 1 + kOutputs + (v - kRelayBase);
  return 0;
}

std::optional<std::string> TargetValue(std::string_view text, int) { return RelatedTypeCode(text); }

int StateItem(std::string_view value, int) {
  const int v = cstr::Atoi(value);
  return v == 0 || v == 1 ? v : 2;
}

std::optional<std::string> StateValue(std::string_view text, int) {
  if (text == kStates[0]) return "0";
  if (text == kStates[1]) return "1";
  return "2";
}

}  // namespace

const FieldCode kLinkageTarget{kTargets, TargetItem, TargetValue};
const FieldCode kLinkageState{kStates, StateItem, StateValue};
const FieldCode kInputSwitch{kOffOnItems, field_code::PositionItem, field_code::PositionValue};
const FieldCode kTrigger{kTriggers, field_code::PositionItem, field_code::PositionValue};

std::optional<std::string> RelatedTypeCode(std::string_view text) {
  if (text == kNoLinkage) return std::string("0");
  // 64-bit sums: a typed number near INT_MAX must not overflow.
  if (text.substr(0, 2) == "DO") return std::to_string(cstr::Atoi(text.substr(2)) + int64_t{kOutputBase});
  if (text.substr(0, 1) == "K") return std::to_string(cstr::Atoi(text.substr(1)) + int64_t{kRelayBase});
  return std::nullopt;
}

}  // namespace alarm_codes

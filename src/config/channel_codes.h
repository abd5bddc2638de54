#pragma once
// Channel kinds and the encodings of the channel property pages. Qt-free: captions and
// item texts are UTF-8 (as the widgets show them), values are device texts.
#include <string>
#include <string_view>
#include <vector>

#include "config/field_code.h"

namespace channel_codes {

constexpr int kChannels = 30;

// Hardware source families a channel may be bound to.
enum class Family { None, Serial, Adc, Di, Pi, Sdi, Gray };
// Sources of a family (the instance count of its records): 15, 4, 4, 2, 0, 0.
int SourceCount(Family family);
// Kind code of source 0: 401, 201, 101, 301, 501, 601 (0 for None).
int KindBase(Family family);

struct Source {
  Family family = Family::None;
  int n = 0;  // source instance, 0-based
};
// The source a kind code binds; Family::None for 0 and for codes of no existing source
// (SDI and GRAY have none).
Source SourceOfKind(int code);
// The source a kind list caption names ("串口03", "ADC1", "DI2", "PI0", "SDI0", "GRAY0"),
// by prefix and the digits after it; n may be outside the family's count. Family::None
// for "无" and for any text that is no caption.
Source SourceOfCaption(std::string_view caption);


// Caption ("无" for codes of no existing source) and position in the kind list.
struct KindCaptionResult {
  std::string caption;
  int position = 0;
};
KindCaptionResult KindCaption(int code);
// The kind list: "无", 串口00 … 串口14, ADC0 … ADC3, DI0 … DI3, PI0, PI1.
const std::vector<std::string>& KindList();
// Kind code of a device text: its leading decimal number, 0 when there is none.
int KindCode(std::string_view text);

// 采集开启 / 上报开启: "关闭", "开启"; 1 shows "开启", anything else "关闭".
extern const FieldCode kOnOff;
// 计数方式: "不计数", "上升沿计数", "下降沿计数", "双边沿计数" (values 0-3; others show 不计数).
extern const FieldCode kCountMode;
// 采样类型: "电压" (1), "电流" (0; every value but 1 shows 电流).
extern const FieldCode kInputType;

// Text lists and the items they suggest.
extern const FieldCode kStoreIntervalField;  // 数据存储间隔: "1", "5"
extern const FieldCode kAccuracyField;       // "0.01" … "1000"
extern const FieldCode kUnitField;           // "cm", "m", "m3/s"

// Element names offered for the protocol selector: 1 水资源16 (78 names), 2 水资源21
// (82), any other value the hydrology list (50). Each starts with "雨量".
FieldItems ElementCatalogue(int protocolKind);

}  // namespace channel_codes

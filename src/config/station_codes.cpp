#include "config/station_codes.h"

#include "base/cstr.h"

namespace station_codes {
namespace {

constexpr const char* kTransferModeTexts[] = {"SMS", "TCP", "北斗卫星", "海事卫星",
                                              "PSTN", "短波", "串口", "UDP"};
constexpr const char* kTransferModeValues[] = {"0", "1", "2", "3", "4", "5", "6", "7"};

constexpr const char* kProtocolTexts[] = {"水文HEX", "水文ASCII", "水资源16", "水资源21"};
constexpr const char* kProtocolValues[] = {"0", "1", "2", "5"};

constexpr const char* kNoYesTexts[] = {"否", "是"};
constexpr const char* kZeroOne[] = {"0", "1"};

constexpr const char* kTransComTexts[] = {"不使用", "RS232-0", "RS232-1", "RS485-0", "RS485-1"};
constexpr const char* kTransComValues[] = {"0", "1", "2", "3", "4"};

constexpr const char* kWorkMode[] = {"自报", "查询", "兼容", "调试", "无需应答"};
constexpr const char* kStationType[] = {"降水", "河道", "水库", "湖泊", "闸坝", "泵站", "潮汐",
                                        "墒情", "地下水", "水质", "取水口", "排水口", "其他"};
constexpr const char* kWaterOrder[] = {"流量在前", "水量在前"};
constexpr const char* kAddressType[] = {"水文编码", "行政编码"};
constexpr const char* kTransSpeed[] = {"300",   "600",   "1200",  "2400",  "4800",  "9600",
                                       "14400", "19200", "38400", "56000", "57600", "115200"};
constexpr const char* kTransParity[] = {"8N1", "8E1", "8O1", "7E1", "7O1",
                                        "8N2", "8E2", "8O2", "7E2", "7O2"};
constexpr const char* kServerCount[] = {"0", "1", "2", "3", "4"};
constexpr const char* kClockMode[] = {"系统时间", "手动设置"};
constexpr const char* kCameraTypes[] = {"SXH-L1", "SXH-L1N-OLD", "SXH-L1N-NEW", "HK-DS-2CS", "无"};
constexpr const char* kCameraPixels[] = {"NONE", "640X480", "800X600", "1024X768", "1280X800",
                                         "1280X960"};
constexpr const char* kCameraParity[] = {"8N1", "8E1", "8O1"};
constexpr const char* kWeekday[] = {"星期天", "星期一", "星期二", "星期三",
                                    "星期四", "星期五", "星期六"};

// True when atoi finds digits in text (white space and a sign may come first).
bool HasNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

}  // namespace

const CodedList kTransferMode{kTransferModeTexts, kTransferModeValues, 1, true};
const CodedList kProtocol{kProtocolTexts, kProtocolValues, 0, false};
const CodedList kUploadByLose{kNoYesTexts, kZeroOne, 0, false};
const CodedList kSmsSet{kOffOnTexts, kZeroOne, 0, false};
const CodedList kTransComType{kTransComTexts, kTransComValues, 0, false};

const Items kWorkModeItems{kWorkMode};
const Items kHourlySwitchItems{kOffOnTexts};
const Items kStationTypeItems{kStationType};
const Items kWaterOrderItems{kWaterOrder};
const Items kAddressTypeItems{kAddressType};
const Items kTransSpeedItems{kTransSpeed};
const Items kTransParityItems{kTransParity};
const Items kServerCountItems{kServerCount};
const Items kCenterStateItems{kOffOnTexts};
const Items kClockModeItems{kClockMode};
const Items kWeekdayItems{kWeekday};

int ItemOfValue(const CodedList& list, std::string_view value) {
  const int n = static_cast<int>(list.values.size());
  if (list.byNumber) {
    if (!HasNumber(value)) return list.fallback;
    const int v = cstr::Atoi(value);
    for (int i = 0; i < n; ++i)
      if (cstr::Atoi(list.values[i]) == v) return i;
  } else {
    for (int i = 0; i < n; ++i)
      if (value == list.values[i]) return i;
  }
  return list.fallback;
}

std::string ValueOfItem(const CodedList& list, int item) {
  if (item < 0 || item >= static_cast<int>(list.values.size())) return std::string();
  return list.values[item];
}

bool SwitchOn(std::string_view text) { return text != "0"; }
std::string SwitchValue(bool on) { return on ? "1" : "0"; }

int OpenCentreCount(std::string_view countText) {
  const int n = cstr::Atoi(countText);
  if (n < 0) return 0;
  return n > kCenterCount ? kCenterCount : n;
}

namespace {
template <const CodedList& L>
int CodedItem(std::string_view value, int) {
  return ItemOfValue(L, value);
}
template <const CodedList& L>
std::optional<std::string> CodedValue(std::string_view, int item) {
  std::string value = ValueOfItem(L, item);
  if (value.empty()) return std::nullopt;
  return value;
}
template <const CodedList& L>
constexpr FieldCode Coded() {
  return FieldCode{L.items, CodedItem<L>, CodedValue<L>};
}
FieldCode Position(Items items) {
  return FieldCode{items, field_code::PositionItem, field_code::PositionValue};
}
int SwitchItem(std::string_view value, int) { return SwitchOn(value) ? 1 : 0; }
std::optional<std::string> SwitchOfItem(std::string_view, int item) { return SwitchValue(item == 1); }
}  // namespace

const FieldCode kWorkModeField = Position(kWorkModeItems);
const FieldCode kProtocolField = Coded<kProtocol>();
const FieldCode kHourlySwitchField = Position(kHourlySwitchItems);
const FieldCode kUploadByLoseField = Coded<kUploadByLose>();
const FieldCode kTransferModeField = Coded<kTransferMode>();
const FieldCode kSmsSetField = Coded<kSmsSet>();
const FieldCode kCameraSwitchField{{}, SwitchItem, SwitchOfItem};
const FieldCode kTransComTypeField = Coded<kTransComType>();
const FieldCode kWaterOrderField = Position(kWaterOrderItems);
const FieldCode kAddressTypeField = Position(kAddressTypeItems);
const FieldCode kStationTypeField = TextField(kStationTypeItems);
const FieldCode kServerCountField = TextField(kServerCountItems);
const FieldCode kTransSpeedField = TextField(kTransSpeedItems);
const FieldCode kTransParityField = TextField(kTransParityItems);
const FieldCode kCameraTypeField = Position(FieldItems(kCameraTypes));
const FieldCode kCameraPixelsField = Position(FieldItems(kCameraPixels));
const FieldCode kCameraParityField = TextField(FieldItems(kCameraParity));

}  // namespace station_codes

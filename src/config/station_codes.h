#pragma once
// Value codes of the station pages' lists (terminal, centre, SMS, serial
// transmission, camera timer pages). Qt-free: a list is its item texts (UTF-8, as
// the widgets show them) and the rule that maps a device value to an item and back.
#include <span>
#include <string>
#include <string_view>

#include "config/field_code.h"

namespace station_codes {

using Items = std::span<const char* const>;

// A list whose items stand for device values: item i stands for values[i].
struct CodedList {
  Items items;
  Items values;
  int fallback;   // item shown for a value that is none of values
  // Compare the value's atoi with the items' values instead of the texts; a value
  // without a number shows the fallback.
  bool byNumber;
};

// Parameter 19 (transfer mode of each server): "0" SMS ... "7" UDP; any other → "TCP".
extern const CodedList kTransferMode;
// Parameter 7 (protocol): "0" 水文HEX, "1" 水文ASCII, "2" 水资源16, "5" 水资源21.
extern const CodedList kProtocol;
// Parameter 13 (backlog upload): "0" 否, "1" 是.
extern const CodedList kUploadByLose;
// Parameter 146 (configuration by SMS): "0" 关闭, "1" 开启.
extern const CodedList kSmsSet;
// Parameter 158 (transmission port): "0" 不使用, "1" RS232-0 ... "4" RS485-1.
extern const CodedList kTransComType;

// The item that shows value (the list's fallback when no item stands for it).
int ItemOfValue(const CodedList& list, std::string_view value);
// The value item stands for; "" for no item (-1) or an item outside the list.
std::string ValueOfItem(const CodedList& list, int item);

// Camera timer switch: "0" is off, every other text (empty included) is on.
bool SwitchOn(std::string_view text);
std::string SwitchValue(bool on);

// Item texts of the numbered and plain lists.
extern const Items kWorkModeItems;      // parameter 0
extern const Items kHourlySwitchItems;  // parameter 8
extern const Items kStationTypeItems;   // parameter 15 (the text itself is the value)
extern const Items kWaterOrderItems;    // parameter 162
extern const Items kAddressTypeItems;   // parameter 163
extern const Items kTransSpeedItems;    // parameter 159 (text is the value)
extern const Items kTransParityItems;   // parameter 160 (text is the value)
extern const Items kServerCountItems;   // parameter 18 (text is the value)
extern const Items kCenterStateItems;   // display only: 关闭 / 开启
extern const Items kClockModeItems;     // clock page: 系统时间 / 手动设置
extern const Items kWeekdayItems;       // clock page: 星期天 (0) ... 星期六 (6)

// The four centres, each with a main and a backup server (the centre page's instances).
constexpr int kCenterCount = 4;
// Centres opened by a server count text: atoi, bounded to 0 .. kCenterCount.
int OpenCentreCount(std::string_view countText);

// The lists above as parameter field encodings (a typed text that is no item has no value).
extern const FieldCode kWorkModeField;      // 0: position
extern const FieldCode kProtocolField;      // 7: kProtocol
extern const FieldCode kHourlySwitchField;  // 8: position
extern const FieldCode kUploadByLoseField;  // 13: kUploadByLose
extern const FieldCode kTransferModeField;  // 19: kTransferMode
extern const FieldCode kSmsSetField;        // 146: kSmsSet
extern const FieldCode kCameraSwitchField;  // 155: check box, SwitchOn / SwitchValue
extern const FieldCode kTransComTypeField;  // 158: kTransComType
extern const FieldCode kWaterOrderField;    // 162: position
extern const FieldCode kAddressTypeField;   // 163: position
// Text fields whose lists suggest the usual values.
extern const FieldCode kStationTypeField;   // 15
extern const FieldCode kServerCountField;   // 18
extern const FieldCode kTransSpeedField;    // 159 and the cameras' 152
extern const FieldCode kTransParityField;   // 160
// The cameras' type (149) and resolution (150): positions; their framing (153): text
// with "8N1", "8E1", "8O1" suggested. Their port (151) is kTransComTypeField.
extern const FieldCode kCameraTypeField;
extern const FieldCode kCameraPixelsField;
extern const FieldCode kCameraParityField;

}  // namespace station_codes

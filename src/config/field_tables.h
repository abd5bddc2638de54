#pragma once
// The code map of the configuration pages: one field table per page, one row per
// parameter (or id range) with the control that shows it, its encoding and its label.
// `git grep` for an id or a command word lands on its row; the page that uses the
// table builds or binds that control, and saves and loads the parameter through it.
// Which page shows an id is derived from these tables and nowhere else (PageOfParam,
// SourceFamilyOf). Qt-free: labels are UTF-8 as the widgets show them.
#include <span>
#include <string>
#include <vector>

#include "config/cfg_page_map.h"
#include "config/channel_codes.h"
#include "config/field_code.h"

enum class FieldControl {
  Edit,       // a line edit
  List,       // an editable list: one of its items, or a typed text
  FixedList,  // a list of its items only
  Check,      // a check box
  Element,    // the element list, filled for the protocol selector
  Kept,       // no control: the loaded text is given back unchanged
  Own,        // the page's own control and rule (channel kind and save length)
};

struct FieldRow {
  int id;                 // the parameter
  const char* command;    // its command word (checked against the parameter table)
  FieldControl control;
  const FieldCode* code;  // the encoding; nullptr: the text itself (TextField())
  const char* label;      // as shown beside instance 0's control; nullptr: none
  const char* role;       // object name of instance 0's control ("%1": the instance
                          // number, 1 …); nullptr: named by the page
  int last = 0;           // a range of like parameters id .. last; 0: id alone

  int Last() const { return last ? last : id; }
  bool Lists(int p) const { return p >= id && p <= Last(); }
};
using FieldTable = std::span<const FieldRow>;

// The encoding of a row (TextField() for nullptr).
const FieldCode& CodeOf(const FieldRow& row);
// The row of table whose control has this role; nullptr when none.
const FieldRow* RowOfRole(FieldTable table, const char* role);
bool TableLists(FieldTable table, int id);

namespace field_tables {
// Station pages.
extern const FieldTable kTerminal;       // "终端参数" and its "更多参数"
extern const FieldTable kCenterAddress;  // "中心地址参数"
extern const FieldTable kCenterOther;    // "中心其它参数"
extern const FieldTable kSms;            // "短信参数"
extern const FieldTable kCamera;         // "摄像头参数", per camera
extern const FieldTable kCameraTimer;    // "摄像头定时报"
extern const FieldTable kComTrans;       // "串口传输参数"
// The channel page's own header, and its source pages' tabs ("通道属性", "通信参数",
// "报警参数"). An alarm table ends with its five linkage rows: target, state, capture
// interval, camera, camera delay.
extern const FieldTable kChannel;
extern const FieldTable kDiAlarm;
extern const FieldTable kCounterProper;
extern const FieldTable kCounterAlarm;
extern const FieldTable kAdcProper;
extern const FieldTable kAdcRange;
extern const FieldTable kAdcAlarm;
extern const FieldTable kComProper;
extern const FieldTable kComComm;
extern const FieldTable kComAlarm;
extern const FieldTable kSdiProper;
extern const FieldTable kSdiAlarm;
extern const FieldTable kGrayProper;
extern const FieldTable kGrayAlarm;
constexpr size_t kLinkageRows = 5;
}  // namespace field_tables

// Which page (and, for the channel page, which source family) each table belongs to.
struct PageTable {
  CfgPageId page;
  channel_codes::Family family;  // None outside the channel sources
  FieldTable table;
  const char* tab = nullptr;     // a source table's tab title (UTF-8); nullptr elsewhere
};

// The source pages' tab titles.
namespace field_tables {
inline constexpr const char* kProperTab = "通道属性";
inline constexpr const char* kCommTab = "通信参数";
inline constexpr const char* kAlarmTab = "报警参数";
}  // namespace field_tables
std::span<const PageTable> PageTables();

// The owner of id in tables: its entry; nullptr when no row lists it.
const PageTable* OwnerOf(std::span<const PageTable> tables, int id);
// The source family whose tables list id; Family::None for every other id.
channel_codes::Family SourceFamilyOf(int id);

// What is wrong with tables: every parameter id (0 .. kLastParamId) listed by exactly one
// row, every row's command word that of its first id, ranges in order. Empty: sound.
std::vector<std::string> TableProblems(std::span<const PageTable> tables);

#pragma once
// What the user is told about each parameter instance: where the pages show it, what
// the device calls it, and which values it takes. Derived from the field tables
// (config/field_tables.h) and the parameter table, never written per control. Qt-free:
// page texts are UTF-8 as the widgets show them; listing labels and command words are
// the device's own ASCII.
//
//   Describe(31, 6)->path        "通道07 › 通道存储长度"
//   Describe(31, 6)->command     "AT+CHNSVLEN07"
//   Describe(21, 5)->path        "中心地址参数 › 中心2 › 备中心端口"
//   HelpText(*Describe(23, 0), std::nullopt)  the tooltip of the APN edit before a load
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace field_help {

// Between the nodes, tabs and label of a path.
inline constexpr const char* kPathSeparator = " › ";
// Shown for the value at the last load before any load.
inline constexpr const char* kNotLoaded = "—";

struct FieldHelp {
  int id = 0;
  int index = 0;
  std::string path;          // tree node, page parts and label, joined by kPathSeparator
  std::string label;         // the label beside the control, without its closing colon
  std::string listingLabel;  // as the listing and the log name it: "Channel07 save length"
  std::string command;       // the command word with its instance: "AT+CHNSVLEN07"
  std::string accepted;      // the values the field takes: a list's codes and items
                             // ("0 自报、1 查询…"), a text's length limit and the range
                             // its label states
};

// Instance index of parameter id; std::nullopt when there is no such instance or no
// page shows it. channelKinds, when given, is the kind code of each of the 30 channels:
// a source's field then starts at the first channel node bound to that source
// ("通道07|ADC1 › 通道属性 › 采集开启"); without it, or bound to none, at the source
// ("ADC1 › 通道属性 › 采集开启").
std::optional<FieldHelp> Describe(int id, int index, std::span<const int> channelKinds = {});
// Every instance of every parameter a page shows, in id and instance order.
std::vector<FieldHelp> DescribeAll();

// The label of a centre's server control: the main server's label (the field table's)
// as it is, the backup server's with its leading "主" read "备" ("主中心地址：" →
// "备中心地址：").
std::string ServerLabel(const char* mainLabel, bool backup);
// Whether instance index of a centre parameter of count instances is a backup server,
// and the centre it belongs to (0-based): of n instances the first n/2 are main servers,
// instance i belongs to centre i % (n/2).
bool IsBackupServer(int index, int count);
int CentreOfServer(int index, int count);

// The text the control of parameter id shows for the device text value (code page
// 936): a list's item text, "勾选" / "未勾选" for a check box, the text itself otherwise
// (converted to UTF-8). "" when a list shows no item for it.
std::string ShownValue(int id, std::string_view deviceText);
// A shown value with the device's text beside it when the two differ: "开启 (1)".
std::string ShownWithRaw(int id, std::string_view deviceText);

// The help's line naming the command word ("命令：AT+CHNSVLEN07\n"); the one line by which a
// control's tooltip tells which instance it shows.
std::string CommandLine(const FieldHelp& help);
// The help of a field as its tooltip says it (UTF-8, one item a line): listing label,
// command word, accepted values and the value at the last load (kNotLoaded without one).
std::string HelpText(const FieldHelp& help, const std::optional<std::string>& loaded);

}  // namespace field_help

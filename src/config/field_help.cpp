#include "config/field_help.h"

#include <cstdio>
#include <cstring>

#include "base/cp936.h"
#include "config/channel_codes.h"
#include "config/field_tables.h"
#include "config/station_codes.h"
#include "protocol/exchange.h"
#include "protocol/param_table.h"
#include "protocol/write_back.h"

namespace field_help {
namespace {

namespace codes = channel_codes;
using codes::Family;

constexpr const char* kListSeparator = "、";
constexpr const char* kFullColon = "：";
constexpr int kKindId = 30;
constexpr int kSaveLengthId = 31;

struct Owner {
  const PageTable* table = nullptr;
  const FieldRow* row = nullptr;
};

Owner OwnerRow(int id) {
  for (const PageTable& t : PageTables())
    for (const FieldRow& r : t.table)
      if (r.Lists(id)) return {&t, &r};
  return {};
}

std::string Replace(std::string text, std::string_view from, std::string_view to) {
  const size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

std::string Numbered(const char* text, int n) { return Replace(text, "%1", std::to_string(n)); }

std::string WithoutColon(std::string label) {
  const size_t full = std::strlen(kFullColon);
  if (label.size() >= full && label.compare(label.size() - full, full, kFullColon) == 0)
    label.resize(label.size() - full);
  while (!label.empty() && (label.back() == ':' || label.back() == ' ')) label.pop_back();
  return label;
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
  std::string out;
  for (const std::string& p : parts) {
    if (!out.empty()) out += separator;
    out += p;
  }
  return out;
}

std::string ChannelNode(int channel) {  // 0-based
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", channel + 1);
  return std::string("通道") + buf;
}

// The caption of source n of family as the kind list and the tree show it.
std::string SourceCaption(Family family, int n) {
  if (n < codes::SourceCount(family)) return codes::KindCaption(codes::KindBase(family) + n).caption;
  return std::to_string(n);
}

// The first channel node bound to source n of family, or the source's caption.
std::string SourceStart(Family family, int n, std::span<const int> kinds) {
  const std::string caption = SourceCaption(family, n);
  for (size_t c = 0; c < kinds.size(); ++c) {
    const codes::Source s = codes::SourceOfKind(kinds[c]);
    if (s.family == family && s.n == n) return ChannelNode(static_cast<int>(c)) + "|" + caption;
  }
  return caption;
}

// The label's range, as "(0~65535s)" states it: "0~65535s"; "" when it states none.
std::string StatedRange(std::string_view label) {
  const size_t open = label.find('(');
  if (open == std::string_view::npos) return {};
  const size_t close = label.find(')', open);
  if (close == std::string_view::npos) return {};
  const std::string_view inside = label.substr(open + 1, close - open - 1);
  return inside.find('~') == std::string_view::npos ? std::string() : std::string(inside);
}

std::string TextLimit() { return "文本，最长" + std::to_string(kMaxValueLength) + "字节"; }

std::string Accepted(const FieldRow& row, const std::string& label) {
  const FieldCode& code = CodeOf(row);
  if (row.id == kKindId) {
    std::vector<std::string> items;
    for (const std::string& caption : codes::KindList()) {
      const codes::Source s = codes::SourceOfCaption(caption);
      const int value = s.family == Family::None ? 0 : codes::KindBase(s.family) + s.n;
      items.push_back(std::to_string(value) + " " + caption);
    }
    return Join(items, kListSeparator);
  }
  if (row.id == kSaveLengthId) return "整数（KB）";
  if (row.control == FieldControl::Check && code.valueOf) {
    return "勾选 " + code.valueOf({}, 1).value_or("") + kListSeparator + "未勾选 " +
           code.valueOf({}, 0).value_or("");
  }
  if (!code.IsText() && !code.items.empty()) {
    std::vector<std::string> items;
    for (size_t i = 0; i < code.items.size(); ++i) {
      const std::optional<std::string> value = code.valueOf(code.items[i], static_cast<int>(i));
      items.push_back(value.value_or("?") + " " + code.items[i]);
    }
    return Join(items, kListSeparator);
  }
  std::string text = TextLimit();
  if (const std::string range = StatedRange(label); !range.empty()) text = "数值 " + range + "，" + text;
  if (row.control == FieldControl::Element) return text + "；从采集要素列表选择（随通信协议）";
  if (row.control == FieldControl::Kept) return text + "；页面不显示，原样写回载入值";
  if (!code.items.empty()) {
    std::vector<std::string> items(code.items.begin(), code.items.end());
    text += "；常用：" + Join(items, kListSeparator);
  }
  return text;
}

// The parts of the path before the label.
std::vector<std::string> PathStart(const PageTable& table, int id, int index, int count,
                                   std::span<const int> kinds) {
  const std::string node = CfgPageNode(table.page);
  switch (table.page) {
    case CfgPageId::Channel:
      if (table.family == Family::None) return {ChannelNode(index)};
      return {SourceStart(table.family, index, kinds), table.tab ? table.tab : ""};
    case CfgPageId::CenterAddress:
      // The centres' servers are on the centre tabs; the DNS servers below them.
      if (count / 2 == station_codes::kCenterCount)
        return {node, "中心" + std::to_string(CentreOfServer(index, count) + 1)};
      return {node};
    case CfgPageId::Camera:
      return {node, "摄像头" + std::to_string(index + 1)};
    case CfgPageId::CameraTimer:
      // The row of timer n starts with its switch, "定时n".
      if (const FieldRow* sw = RowOfRole(field_tables::kCameraTimer, "timer%1Check"); sw && sw->id != id)
        return {node, Numbered(sw->label, index + 1)};
      return {node};
    default:
      return {node};
  }
}

}  // namespace

bool IsBackupServer(int index, int count) { return count >= 2 && index >= count / 2; }

int CentreOfServer(int index, int count) {
  const int half = count / 2;
  return half > 0 ? index % half : 0;
}

std::string ServerLabel(const char* mainLabel, bool backup) {
  std::string label = mainLabel ? mainLabel : "";
  if (backup && label.rfind("主", 0) == 0) label.replace(0, std::strlen("主"), "备");
  return label;
}

std::optional<FieldHelp> Describe(int id, int index, std::span<const int> channelKinds) {
  const ParamEntry* entry = id >= 0 && id <= kLastParamId ? FindParam(id) : nullptr;
  const Owner owner = OwnerRow(id);
  if (!entry || !owner.row || index < 0 || index >= entry->count) return std::nullopt;
  const FieldRow& row = *owner.row;
  FieldHelp help;
  help.id = id;
  help.index = index;
  help.listingLabel = InstanceLabel(*entry, index);
  help.command = InstanceCommand(id, index);
  std::string label;
  if (!row.label) {
    label = help.listingLabel;
  } else if (owner.table->page == CfgPageId::CenterAddress) {
    label = ServerLabel(row.label, IsBackupServer(index, entry->count));
  } else {
    label = Numbered(row.label, index + 1);
  }
  help.accepted = Accepted(row, label);
  help.label = WithoutColon(label);
  std::vector<std::string> parts = PathStart(*owner.table, id, index, entry->count, channelKinds);
  // The camera timer's switch is its own label: the path ends with it.
  if (parts.empty() || parts.back() != help.label) parts.push_back(help.label);
  help.path = Join(parts, kPathSeparator);
  return help;
}

std::vector<FieldHelp> DescribeAll() {
  std::vector<FieldHelp> all;
  for (int id = 0; id <= kLastParamId; ++id) {
    const ParamEntry* entry = FindParam(id);
    if (!entry) continue;
    for (int k = 0; k < entry->count; ++k)
      if (std::optional<FieldHelp> h = Describe(id, k)) all.push_back(std::move(*h));
  }
  return all;
}

std::string ShownValue(int id, std::string_view deviceText) {
  const Owner owner = OwnerRow(id);
  if (id == kKindId) return codes::KindCaption(codes::KindCode(deviceText)).caption;
  if (!owner.row) return cp936::ToUtf8(deviceText);
  const FieldCode& code = CodeOf(*owner.row);
  if (owner.row->control == FieldControl::Check)
    return !code.IsText() && code.itemOf(deviceText, 2) == 1 ? "勾选" : "未勾选";
  if (code.IsText() || code.items.empty()) return cp936::ToUtf8(deviceText);
  const int item = code.itemOf(deviceText, static_cast<int>(code.items.size()));
  return item >= 0 && item < static_cast<int>(code.items.size()) ? code.items[static_cast<size_t>(item)]
                                                                 : std::string();
}

std::string ShownWithRaw(int id, std::string_view deviceText) {
  const std::string shown = ShownValue(id, deviceText);
  const std::string raw = cp936::ToUtf8(deviceText);
  if (shown == raw && !raw.empty()) return shown;
  return shown + (shown.empty() ? "(" : " (") + (raw.empty() ? std::string("空") : raw) + ")";
}

std::string CommandLine(const FieldHelp& help) { return "命令：" + help.command + "\n"; }

std::string HelpText(const FieldHelp& help, const std::optional<std::string>& loaded) {
  std::string text = "设备标签：" + help.listingLabel + "\n";
  text += CommandLine(help);
  text += "取值：" + help.accepted + "\n";
  text += "载入值：" + (loaded ? ShownWithRaw(help.id, *loaded) : std::string(kNotLoaded));
  return text;
}

}  // namespace field_help

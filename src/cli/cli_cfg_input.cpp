#include "cli/cli_cfg_input.h"

#include "base/cp936.h"
#include "protocol/param_table.h"

namespace {

// Every label a written listing carries, in the table's order.
const std::vector<std::string>& TableLabels() {
  static const std::vector<std::string> labels = [] {
    std::vector<std::string> all;
    const ParamEntry* entries = ParamTableEntries();
    for (int pos = 0; pos < kParamEntryCount; ++pos) {
      const ParamEntry& e = entries[pos];
      if (e.labelPrefix[0] == '\0' || e.count <= 0) continue;
      for (int n = 1; n <= e.count && n <= kMaxInstances; ++n) all.push_back(FormatLabel(e, n));
    }
    return all;
  }();
  return labels;
}

bool StartsWithLabel(std::string_view line) {
  for (const std::string& label : TableLabels())
    if (line.substr(0, label.size()) == label) return true;
  return false;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool RoundTrips(std::string_view utf8, std::string& gbk) {
  gbk = cp936::FromUtf8(utf8);
  return cp936::ToUtf8(gbk) == utf8;
}

}  // namespace

bool ParseCfgEncoding(const std::string& text, CfgEncoding& encoding) {
  if (text == "gbk" || text == "cp936") encoding = CfgEncoding::kGbk;
  else if (text == "utf-8" || text == "utf8") encoding = CfgEncoding::kUtf8;
  else return false;
  return true;
}

bool IsUtf8(std::string_view bytes, bool& multiByte) {
  multiByte = false;
  for (size_t i = 0; i < bytes.size();) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int length = 0;
    unsigned int code = 0, least = 0;
    if ((c & 0xE0) == 0xC0) length = 2, code = c & 0x1F, least = 0x80;
    else if ((c & 0xF0) == 0xE0) length = 3, code = c & 0x0F, least = 0x800;
    else if ((c & 0xF8) == 0xF0) length = 4, code = c & 0x07, least = 0x10000;
    else return false;
    if (i + length > bytes.size()) return false;
    for (int k = 1; k < length; ++k) {
      const unsigned char t = static_cast<unsigned char>(bytes[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      code = (code << 6) | (t & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    multiByte = true;
    i += length;
  }
  return true;
}

bool DecodeCfgBytes(std::string_view bytes, CfgEncoding encoding, CfgText& text, std::string& error) {
  static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  bool multiByte = false;
  const bool wellFormed = IsUtf8(bytes, multiByte);
  bool utf8 = encoding == CfgEncoding::kUtf8;
  if (encoding == CfgEncoding::kAuto) utf8 = wellFormed && multiByte;
  if (!utf8) {
    text = {std::string(bytes), false};
    return true;
  }
  if (!wellFormed) {
    error = "is not UTF-8 (--encoding gbk reads it as code page 936)";
    return false;
  }
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) bytes.remove_prefix(kByteOrderMark.size());
  std::string gbk;
  if (!RoundTrips(bytes, gbk)) {
    error = "reads as UTF-8 but holds characters that code page 936 lacks"
            " (--encoding gbk reads it as code page 936)";
    return false;
  }
  text = {std::move(gbk), true};
  return true;
}

std::vector<UnknownLabel> UnknownLabels(std::string_view gbk) {
  std::vector<UnknownLabel> unknown;
  int number = 0;
  for (size_t at = 0; at < gbk.size();) {
    const size_t end = std::min(gbk.find('\n', at), gbk.size());
    std::string_view line = TrimRight(gbk.substr(at, end - at));
    at = end + 1;
    ++number;
    // Leading blanks are skipped as the listing parser skips them.
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    if (line.empty() || StartsWithLabel(line)) continue;
    // The label is what stands before the value, the line's last word.
    const size_t blank = line.find_last_of(' ');
    const std::string_view label = blank == std::string_view::npos ? line : TrimRight(line.substr(0, blank));
    unknown.push_back({number, std::string(label)});
  }
  return unknown;
}

bool ApplySetting(const std::string& setting, std::string& gbk, std::string& error) {
  const size_t eq = setting.find('=');
  if (eq == std::string::npos || eq == 0) {
    error = "--set \"" + setting + "\": give it as LABEL=VALUE";
    return false;
  }
  const std::string given = setting.substr(0, eq), value = setting.substr(eq + 1);
  std::string label, valueGbk;
  for (const std::string& l : TableLabels()) {
    const std::string shown = cp936::ToUtf8(l);
    if (given == shown || (shown.ends_with(':') && given == shown.substr(0, shown.size() - 1))) {
      label = l;
      break;
    }
  }
  if (label.empty()) {
    error = "--set: unknown label \"" + given + "\"";
    return false;
  }
  if (value.find_first_of(" \t\r\n") != std::string::npos) {
    error = "--set " + given + ": a value holds no blank or line end";
    return false;
  }
  if (!RoundTrips(value, valueGbk)) {
    error = "--set " + given + ": the value holds characters that code page 936 lacks";
    return false;
  }
  if (!gbk.empty() && gbk.back() != '\n') gbk += "\r\n";
  // "." is the listing's empty value.
  gbk += label + "  " + (valueGbk.empty() ? std::string(".") : valueGbk) + "\r\n";
  return true;
}

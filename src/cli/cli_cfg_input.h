#pragma once
// A .cfg file as apply and diff read it: its encoding decided (code page 936, or the UTF-8
// that load prints to standard output), its lines whose label the parameter table does not
// know, and the single values --set puts over it. Qt-free; no device talk.
#include <string>
#include <string_view>
#include <vector>

// --encoding: auto (the rule of DecodeCfgBytes), gbk (code page 936) or utf-8.
enum class CfgEncoding { kAuto, kGbk, kUtf8 };
bool ParseCfgEncoding(const std::string& text, CfgEncoding& encoding);

// True when bytes are well-formed UTF-8 (no overlong forms, no surrogates, at most
// U+10FFFF); multiByte tells whether any character takes more than one byte.
bool IsUtf8(std::string_view bytes, bool& multiByte);

struct CfgText {
  std::string gbk;    // the file's text in code page 936, as the table holds values
  bool utf8 = false;  // it was read as UTF-8
};

// The rule for kAuto: bytes that are well-formed UTF-8 and hold at least one multi-byte
// character are UTF-8 (a leading byte order mark is dropped); anything else is code page
// 936, which plain ASCII is as well. Code page 936 text that happens to be well-formed
// UTF-8 is therefore read as UTF-8: --encoding gbk reads it as it is.
// UTF-8 (decided or given) whose characters code page 936 lacks, and bytes given as UTF-8
// that are not, are refused: false with a one-line reason naming the encoding.
bool DecodeCfgBytes(std::string_view bytes, CfgEncoding encoding, CfgText& text, std::string& error);

// A line of a .cfg text whose label no parameter has.
struct UnknownLabel {
  int line = 0;       // 1-based
  std::string label;  // the line without its value (code page 936)
};
// Every non-blank line that starts with no label of the parameter table.
std::vector<UnknownLabel> UnknownLabels(std::string_view gbk);

// --set "LABEL=VALUE" (UTF-8): the label as the listing writes it (its closing ':' may be
// left out) and the value; appended to the text as a last line, so that it wins over the
// file's own. False with a one-line reason for an unknown label, a value with a blank, a
// value code page 936 cannot hold or no '='.
bool ApplySetting(const std::string& setting, std::string& gbk, std::string& error);

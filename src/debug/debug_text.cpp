#include "debug/debug_text.h"

#include "base/log_text.h"

#include <cstdio>

namespace debug_text {
namespace {
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

HexParse ParseHex(std::string_view input, std::string& out) {
  out.clear();
  int high = -1;  // the first digit of a pair, waiting for its second
  for (char c : input) {
    if (c == ' ') continue;
    const int v = HexValue(c);
    if (v < 0) {
      out.clear();
      return HexParse::InvalidChar;
    }
    if (high < 0 && out.size() >= static_cast<size_t>(kHexSendMax)) {
      out.clear();
      return HexParse::TooLong;
    }
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<char>(high << 4 | v));
      high = -1;
    }
  }
  return HexParse::Ok;
}

std::string RenderHex(std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out(bytes.size() * 3, ' ');
  char* p = out.data();
  for (unsigned char b : bytes) {
    p[0] = kDigits[b >> 4];
    p[1] = kDigits[b & 15];
    p += 3;
  }
  return out;
}

std::string RenderText(std::string_view bytes) {
  std::string out(bytes);
  for (char& c : out)
    if (c == '\0') c = '#';
  return out;
}

std::string DefaultLogFileName(std::time_t t) {
  const std::tm tm = LocalTime(t);
  char name[64];
  std::snprintf(name, sizeof name, "Log%d_%d_%d_%02d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return name;
}

}  // namespace debug_text

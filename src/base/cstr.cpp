#include "base/cstr.h"

#include <climits>
#include <cstdio>

namespace cstr {

long Atol(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  long long v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (v < (1LL << 40)) v = v * 10 + (s[i] - '0');
  }
  if (neg) v = -v;
  if (v > LONG_MAX) return LONG_MAX;
  if (v < LONG_MIN) return LONG_MIN;
  return static_cast<long>(v);
}

int Atoi(std::string_view s) {
  long v = Atol(s);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

std::string FormatD(int v) { return std::to_string(v); }
std::string FormatU(int v) { return std::to_string(static_cast<unsigned>(v)); }

}  // namespace cstr

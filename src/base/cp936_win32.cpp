#include <windows.h>

#include "base/cp936.h"

namespace cp936 {
namespace {

std::wstring Widen(UINT cp, std::string_view in) {
  if (in.empty()) return {};
  int n = MultiByteToWideChar(cp, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
  std::wstring w(n, L'\0');
  MultiByteToWideChar(cp, 0, in.data(), static_cast<int>(in.size()), w.data(), n);
  return w;
}

std::string Narrow(UINT cp, const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

}  // namespace

std::string FromUtf8(std::string_view utf8) { return Narrow(936, Widen(CP_UTF8, utf8)); }
std::string ToUtf8(std::string_view gbk) { return Narrow(CP_UTF8, Widen(936, gbk)); }

}  // namespace cp936

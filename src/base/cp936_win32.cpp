#include "base/cp936.h"
#include "base/win32_text.h"

namespace cp936 {

std::string FromUtf8(std::string_view utf8) { return Narrow(Widen(utf8), 936); }
std::string ToUtf8(std::string_view gbk) { return Narrow(Widen(gbk, 936)); }

}  // namespace cp936

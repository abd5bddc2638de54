#include "config/field_code.h"

#include "base/cstr.h"

namespace field_code {

int PositionItem(std::string_view value, int count) {
  const int v = cstr::Atoi(value);
  return v >= 0 && v < count ? v : -1;
}

std::optional<std::string> PositionValue(std::string_view, int item) {
  if (item < 0) return std::nullopt;
  return cstr::FormatD(item);
}

}  // namespace field_code

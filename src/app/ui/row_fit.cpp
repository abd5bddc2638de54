#include "app/ui/row_fit.h"

#include <algorithm>

std::vector<RowSpan> FitRow(const std::vector<RowSlot>& slots) {
  std::vector<RowSpan> spans;
  spans.reserve(slots.size());
  const bool fits = std::all_of(slots.begin(), slots.end(), [](const RowSlot& s) { return s.width >= s.need; });
  if (fits) {
    for (const RowSlot& s : slots) spans.push_back({s.x, s.width});
    return spans;
  }
  auto gapBefore = [&](size_t i) {
    return i == 0 ? 0 : std::max(0, slots[i].x - (slots[i - 1].x + slots[i - 1].width));
  };
  auto spareOf = [](const RowSlot& s) { return std::max(0, s.width - s.need); };
  long long used = 0, spare = 0;
  for (size_t i = 0; i < slots.size(); ++i) {
    used += gapBefore(i) + slots[i].need;
    spare += spareOf(slots[i]);
  }
  const long long row = slots.back().x + slots.back().width - slots.front().x;
  const long long extra = std::max(0LL, row - used);
  // With nothing to spare every slot was at most its need, so the needs fill the row.
  const long long total = std::max(1LL, spare);
  // Shares by cumulative rounding, so that the widths fill the row exactly.
  long long weightSoFar = 0, given = 0;
  int x = slots.front().x;
  for (size_t i = 0; i < slots.size(); ++i) {
    weightSoFar += spareOf(slots[i]);
    const long long share = extra * weightSoFar / total - given;
    given += share;
    x += gapBefore(i);
    const int width = slots[i].need + static_cast<int>(share);
    spans.push_back({x, width});
    x += width;
  }
  return spans;
}

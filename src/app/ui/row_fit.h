#pragma once
// Widths for a row of controls placed by fractions of a window's width: where a narrow
// window would cut a control's text, the row is packed so that each control gets what its
// text needs and the rest of the row goes to the controls that had room to spare.
#include <vector>

struct RowSlot {
  int x = 0;      // where the fractions put it
  int width = 0;
  int need = 0;   // the least width that shows its text whole
};

struct RowSpan {
  int x = 0;
  int width = 0;
  bool operator==(const RowSpan&) const = default;
};

// slots run left to right. Where every slot is at least as wide as it needs, the spans are
// the slots themselves. Otherwise the row keeps its gaps and its outer edges (from the first
// slot's x to the last one's end): each slot gets its need, and what is left is shared by
// the slots in proportion to what they had beyond their needs. When
// the needs exceed the row, each slot gets its need and the row runs past its end.
std::vector<RowSpan> FitRow(const std::vector<RowSlot>& slots);

// A row of controls placed by fractions, packed when a narrow window would cut a text.
#include <gtest/gtest.h>

#include <numeric>

#include "app/ui/row_fit.h"

namespace {

int End(const RowSpan& s) { return s.x + s.width; }

TEST(RowFit, ARowWhereEveryTextFitsKeepsItsPlaces) {
  const std::vector<RowSlot> slots = {{10, 40, 40}, {55, 200, 90}, {260, 60, 30}};
  const std::vector<RowSpan> spans = FitRow(slots);
  ASSERT_EQ(spans.size(), 3u);
  for (size_t i = 0; i < slots.size(); ++i) EXPECT_EQ(spans[i], (RowSpan{slots[i].x, slots[i].width})) << i;
  EXPECT_TRUE(FitRow({}).empty());
}

TEST(RowFit, ANarrowRowGivesEachItsNeedAndSharesTheRestByWhatEachHadToSpare) {
  // A label cut (30 of 40), a wide field with room (200 for 90), a button with 10 to spare.
  const std::vector<RowSlot> slots = {{10, 30, 40}, {45, 200, 90}, {250, 50, 40}};
  const std::vector<RowSpan> spans = FitRow(slots);
  ASSERT_EQ(spans.size(), 3u);
  // Row from 10 to 300; the gaps of 5 and 5 stay; needs 170, so 110 is shared 110:10
  // (100.8 and 9.2, rounded so that they add up).
  EXPECT_EQ(spans[0], (RowSpan{10, 40}));
  EXPECT_EQ(spans[1], (RowSpan{55, 90 + 100}));
  EXPECT_EQ(spans[2], (RowSpan{250, 40 + 10}));
  EXPECT_EQ(End(spans[2]), 300);  // the row's right edge is kept
  for (size_t i = 0; i < slots.size(); ++i) EXPECT_GE(spans[i].width, slots[i].need) << i;
}

TEST(RowFit, SharesAddUpToTheRowExactly) {
  // Three slots with one pixel to spare each, one cut by 1: 2 pixels to share by thirds; the
  // rounding leaves no pixel at the row's end and no slot under its need.
  const std::vector<RowSlot> slots = {{0, 11, 10}, {15, 11, 10}, {30, 11, 10}, {45, 9, 10}};
  const std::vector<RowSpan> spans = FitRow(slots);
  ASSERT_EQ(spans.size(), 4u);
  EXPECT_EQ(spans.front().x, 0);
  EXPECT_EQ(End(spans.back()), 54);
  const int widths = std::accumulate(spans.begin(), spans.end(), 0, [](int a, const RowSpan& s) { return a + s.width; });
  EXPECT_EQ(widths, 54 - 3 * 4);
  for (size_t i = 0; i < spans.size(); ++i) {
    if (i > 0) {
      EXPECT_EQ(spans[i].x, End(spans[i - 1]) + 4) << i;
    }
    EXPECT_GE(spans[i].width, 10) << i;
    EXPECT_LE(spans[i].width, 11) << i;
  }
}

TEST(RowFit, NeedsBeyondTheRowAreStillMetAndTheRowRunsPastItsEnd) {
  const std::vector<RowSlot> slots = {{0, 50, 80}, {60, 50, 80}};
  const std::vector<RowSpan> spans = FitRow(slots);
  EXPECT_EQ(spans[0], (RowSpan{0, 80}));
  EXPECT_EQ(spans[1], (RowSpan{90, 80}));  // the gap of 10 stays; nothing overlaps
}

}  // namespace

// The clock page's time text and weekday rule, without widgets.
#include "config/station_clock.h"

#include <gtest/gtest.h>

#include <vector>

using station_clock::ClockTime;

// Century and leap years, dates outside the C library's range, and fields out of range
// carried like a calendar.
TEST(StationClock, WeekdayOfDatesOutsideTheCLibrarysRangeAndOfCarriedFields) {
  const std::pair<ClockTime, int> cases[] = {
      {{1970, 1, 1, 0, 0, 0}, 4},   {{1900, 1, 1, 0, 0, 0}, 1},    {{2100, 3, 1, 0, 0, 0}, 1},
      {{2024, 2, 29, 24, 0, 0}, 5}, {{2024, 2, 29, 23, 59, 60}, 5}, {{2023, 13, 1, 0, 0, 0}, 1},
      {{2024, 3, 0, 0, 0, 0}, 4},   {{2024, 0, 1, 0, 0, 0}, 5},    {{2024, 3, 1, -1, 0, 0}, 4},
      {{2000, 2, 29, 0, 0, 0}, 2},  {{2000, 3, 1, 0, 0, 0}, 3},    {{1999, 12, 31, 0, 0, 0}, 5}};
  for (const auto& [t, weekday] : cases) EXPECT_EQ(station_clock::WeekdayOf(t), weekday) << t.year << "/" << t.month;
}

TEST(StationClock, PickerTextsAreReadAtTheirSeparators) {
  auto fields = [](const ClockTime& t) { return std::vector<int>{t.year, t.month, t.day, t.hour, t.minute, t.second}; };
  EXPECT_EQ(fields(station_clock::ParsePickerTexts("2024/02/29", "23:59:58")),
            (std::vector<int>{2024, 2, 29, 23, 59, 58}));
  // A text without separators gives zeros, not a crash.
  EXPECT_EQ(fields(station_clock::ParsePickerTexts("2024", "")), (std::vector<int>{2024, 0, 0, 0, 0, 0}));
}

TEST(StationClock, TimeTexts) {
  EXPECT_EQ(station_clock::ManualClockArgument("2024/02/29", "23:59:59"), "2024/02/29,23:59:59,4");
  EXPECT_EQ(station_clock::ManualClockArgument("2024/03/03", "00:00:00"), "2024/03/03,00:00:00,0");
  EXPECT_EQ(station_clock::SystemClockArgument({2024, 1, 5, 8, 3, 7}), "2024/01/05,08:03:07,5");
  EXPECT_EQ(station_clock::SystemClockArgument({2024, 12, 31, 23, 59, 59}), "2024/12/31,23:59:59,2");
  EXPECT_EQ(station_clock::ClockDisplayText({2024, 1, 5, 8, 3, 7}), "2024/01/05 08:03:07");
}

#pragma once
// The AT+EXCCLK= time text of the clock page: "yyyy/MM/dd,HH:mm:ss,w" with the
// weekday w from 0 (Sunday) to 6 (Saturday). Qt-free.
#include <string>
#include <string_view>

namespace station_clock {

struct ClockTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Day of the week (0 Sunday .. 6 Saturday) of a calendar time. Fields out of their
// range carry over as a calendar does (month 13 is January of the next year, hour
// 24 the next day), so any numbers give a weekday.
int WeekdayOf(const ClockTime& t);

// The numbers of a date picker text "yyyy/MM/dd" and a time picker text "HH:mm:ss":
// the number at the start and the numbers after the first and second separator
// (0 where a separator is missing).
ClockTime ParsePickerTexts(std::string_view date, std::string_view time);

// Time text from the computer's clock: "%d/%02d/%02d,%02d:%02d:%02d,%d".
std::string SystemClockArgument(const ClockTime& now);
// Time text from the pickers: "%s,%s,%d" of the two texts and their weekday.
std::string ManualClockArgument(std::string_view date, std::string_view time);
// The computer's time as the page shows it: "%d/%02d/%02d %02d:%02d:%02d".
std::string ClockDisplayText(const ClockTime& now);

}  // namespace station_clock

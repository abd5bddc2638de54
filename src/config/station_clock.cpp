#include "config/station_clock.h"

#include <cstdio>

#include "base/cstr.h"

namespace station_clock {
namespace {

long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days from 1970-01-01 to the first of the given month of the proleptic Gregorian calendar.
long long DaysFromCivil(long long y, long long m) {
  y -= m <= 2;
  const long long era = FloorDiv(y, 400);
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The number right after the n-th (1-based) occurrence of sep, 0 when there is none.
int NumberAfter(std::string_view s, char sep, int n) {
  size_t pos = 0;
  for (int i = 0; i < n; ++i) {
    pos = s.find(sep, pos);
    if (pos == std::string_view::npos) return 0;
    ++pos;
  }
  return cstr::Atoi(s.substr(pos));
}

}  // namespace

int WeekdayOf(const ClockTime& t) {
  const long long months = static_cast<long long>(t.year) * 12 + (t.month - 1);
  const long long y = FloorDiv(months, 12);
  const long long m = months - y * 12 + 1;
  const long long seconds = static_cast<long long>(t.hour) * 3600 + static_cast<long long>(t.minute) * 60 + t.second;
  const long long days = DaysFromCivil(y, m) + (t.day - 1) + FloorDiv(seconds, 86400);
  // 1970-01-01 was a Thursday (4).
  long long w = (days + 4) % 7;
  if (w < 0) w += 7;
  return static_cast<int>(w);
}

ClockTime ParsePickerTexts(std::string_view date, std::string_view time) {
  ClockTime t;
  t.year = cstr::Atoi(date);
  t.month = NumberAfter(date, '/', 1);
  t.day = NumberAfter(date, '/', 2);
  t.hour = cstr::Atoi(time);
  t.minute = NumberAfter(time, ':', 1);
  t.second = NumberAfter(time, ':', 2);
  return t;
}

std::string SystemClockArgument(const ClockTime& now) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%d/%02d/%02d,%02d:%02d:%02d,%d", now.year, now.month, now.day,
                now.hour, now.minute, now.second, WeekdayOf(now));
  return buf;
}

std::string ManualClockArgument(std::string_view date, std::string_view time) {
  std::string s(date);
  s += ',';
  s += time;
  s += ',';
  s += cstr::FormatD(WeekdayOf(ParsePickerTexts(date, time)));
  return s;
}

std::string ClockDisplayText(const ClockTime& now) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%d/%02d/%02d %02d:%02d:%02d", now.year, now.month, now.day,
                now.hour, now.minute, now.second);
  return buf;
}

}  // namespace station_clock

#pragma once
// Time-stamped log lines shared by the tools' logs: "<Time:YYYY-mm-dd HH:MM:SS>:" + text.
#include <ctime>
#include <string>
#include <string_view>

// The local calendar time of t (now when t is 0), on every platform.
std::tm LocalTime(std::time_t t = 0);

// The prefix for the given local time (now when t is 0).
std::string LogTimePrefix(std::time_t t = 0);
// Prefix + text.
std::string TimeStampedLine(std::string_view text, std::time_t t = 0);

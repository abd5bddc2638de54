#include "base/log_text.h"

std::tm LocalTime(std::time_t t) {
  if (t == 0) t = std::time(nullptr);
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  return tm;
}

std::string LogTimePrefix(std::time_t t) {
  const std::tm tm = LocalTime(t);
  char buf[64];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return std::string("<Time:") + buf + ">:";
}

std::string TimeStampedLine(std::string_view text, std::time_t t) {
  std::string s = LogTimePrefix(t);
  s.append(text);
  return s;
}

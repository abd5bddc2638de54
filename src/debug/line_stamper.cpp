#include "debug/line_stamper.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "base/log_text.h"

int64_t WallClockMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string LineStamper::Stamp(int64_t ms) {
  const int64_t seconds = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
  const std::tm tm = LocalTime(static_cast<std::time_t>(seconds));
  char buf[32];
  std::snprintf(buf, sizeof buf, "[%02d:%02d:%02d.%03d]", tm.tm_hour, tm.tm_min, tm.tm_sec,
                static_cast<int>(ms - seconds * 1000));
  return buf;
}

std::string LineStamper::Render(std::string_view bytes, const std::vector<Arrival>& arrivals) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 16 + 16);
  size_t next = 0;    // the next arrival to pass
  int64_t when = 0;   // the arrival time of the block that holds bytes[i]
  bool notice = false;  // whether that block is a notice
  size_t i = 0;
  while (i < bytes.size()) {
    while (next < arrivals.size() && arrivals[next].offset <= i) {
      when = arrivals[next].ms;
      notice = arrivals[next++].notice;
    }
    const bool emptyLine = bytes[i] == '\n' || (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n');
    if (atLineStart_ && !(notice && emptyLine)) out += Stamp(when);
    atLineStart_ = false;
    // Copy up to and including the next '\n' at once.
    const void* nl = std::memchr(bytes.data() + i, '\n', bytes.size() - i);
    const size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - bytes.data()) + 1 : bytes.size();
    out.append(bytes.data() + i, end - i);
    atLineStart_ = nl != nullptr;
    i = end;
  }
  return out;
}

#pragma once
// The console's optional time stamps: "[HH:MM:SS.mmm]" (local time) before each
// received line, the time being that of the block that brought the line's first
// byte. Lines end at '\n' (so "\r\n" ends one line); a line that arrives over
// several blocks carries one stamp. Used on the UI thread and for the saved log.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Where a received block begins in a run of log bytes, and when it arrived
// (wall clock, milliseconds since the epoch). A notice is the console's own text
// in the log ("\r\n下载进行中，暂停发送...\r\n"), not the device's.
struct Arrival {
  size_t offset;
  int64_t ms;
  bool notice = false;
};

// Milliseconds since the epoch, now.
int64_t WallClockMs();

class LineStamper {
 public:
  // "[HH:MM:SS.mmm]" of ms (since the epoch) in local time.
  static std::string Stamp(int64_t ms);

  // The bytes with a stamp before each line that begins in them. arrivals are the
  // blocks the bytes came in, in order, offsets relative to bytes (a run starts
  // with a block: its first offset is 0). Bytes continue the previous call's run
  // unless Reset came between. The empty line a notice opens with (to end a line
  // the device left open) gets no stamp where no line was open.
  std::string Render(std::string_view bytes, const std::vector<Arrival>& arrivals);
  // The next byte begins a line (a new display or file).
  void Reset() { atLineStart_ = true; }

 private:
  bool atLineStart_ = true;
};
